#pragma once
// Class identifiers of the platform filters and the optional source that the
// editor's graphs create, and a snapshot of a graph's filters that undoes a
// failed build attempt. Windows layer only.

#include <windows.h>
#include <dshow.h>

#include <vector>

#include "audio/dshow/com_ptr.h"

namespace mr::graph {

// {95C56F7B-A4CF-4A97-B397-1D3684D86318}: an asynchronous file source that
// the system does not ship; used when something registers it.
inline constexpr CLSID kClsidOptionalAsyncSource = {
    0x95c56f7b, 0xa4cf, 0x4a97, {0xb3, 0x97, 0x1d, 0x36, 0x84, 0xd8, 0x63, 0x18}};
// {336475D0-942A-11CE-A870-00AA002FEAB5}
inline constexpr CLSID kClsidMpeg1Splitter = {
    0x336475d0, 0x942a, 0x11ce, {0xa8, 0x70, 0x00, 0xaa, 0x00, 0x2f, 0xea, 0xb5}};
// {6A08CF80-0E18-11CF-A24D-0020AFD79767}
inline constexpr CLSID kClsidAcmWrapper = {
    0x6a08cf80, 0x0e18, 0x11cf, {0xa2, 0x4d, 0x00, 0x20, 0xaf, 0xd7, 0x97, 0x67}};
// {38BE3000-DBF4-11D0-860E-00A024CFEF6D}
inline constexpr CLSID kClsidMp3Decoder = {
    0x38be3000, 0xdbf4, 0x11d0, {0x86, 0x0e, 0x00, 0xa0, 0x24, 0xcf, 0xef, 0x6d}};
// {E436EBB5-524F-11CE-9F53-0020AF0BA770}: File Source (Async.)
inline constexpr CLSID kClsidFileSource = {
    0xe436ebb5, 0x524f, 0x11ce, {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
// {E436EBB3-524F-11CE-9F53-0020AF0BA770}: the filter graph manager
inline constexpr CLSID kClsidFilterGraph = {
    0xe436ebb3, 0x524f, 0x11ce, {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
// {F8388A40-D5BB-11D0-BE5A-0080C706568E}: Infinite Pin Tee
inline constexpr CLSID kClsidInfiniteTee = {
    0xf8388a40, 0xd5bb, 0x11d0, {0xbe, 0x5a, 0x00, 0x80, 0xc7, 0x06, 0x56, 0x8e}};

// The filters in a graph at one moment. Render and RenderFile insert
// filters of their own, so a failed attempt is undone by removing every
// filter that was not there before it, not only the ones the attempt added
// itself.
class FilterSnapshot {
public:
    // Notes the graph's filters now (references held until destruction).
    explicit FilterSnapshot(IFilterGraph* graph);
    // Removes from the graph every filter that is not in the snapshot.
    void RemoveNewFilters();

private:
    IFilterGraph* graph_;
    std::vector<dshow::ComPtr<IBaseFilter>> filters_;
};

// Every filter of `graph`, in enumeration order.
std::vector<dshow::ComPtr<IBaseFilter>> GraphFilters(IFilterGraph* graph);

}  // namespace mr::graph
