#pragma once
// Stand-ins for the player's core, controls and media item: every method of
// the platform's interfaces answers E_NOTIMPL (IDispatch included), so that a
// test overrides only what the effect calls. Generated from the methods MinGW's
// wmp.h declares.

#include <windows.h>
#include <wmp.h>

namespace mr::test {

class StubCore : public IWMPCore {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE close() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_URL(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_URL(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_openState(WMPOpenState *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_playState(WMPPlayState *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_controls(IWMPControls **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_settings(IWMPSettings **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_currentMedia(IWMPMedia **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_currentMedia(IWMPMedia *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_mediaCollection(IWMPMediaCollection **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_playlistCollection(IWMPPlaylistCollection **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_versionInfo(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE launchURL(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_network(IWMPNetwork **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_currentPlaylist(IWMPPlaylist **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_currentPlaylist(IWMPPlaylist *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_cdromCollection(IWMPCdromCollection **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_closedCaption(IWMPClosedCaption **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_isOnline(VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Error(IWMPError **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_status(BSTR *) override { return E_NOTIMPL; }
};

class StubControls : public IWMPControls {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_isAvailable(BSTR, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE play() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE pause() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE fastForward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE fastReverse() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_currentPosition(double *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_currentPosition(double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_currentPositionString(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE next() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE previous() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE currentItem(IWMPMedia **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_currentItem(IWMPMedia *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_currentMarker(LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_currentMarker(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE playItem(IWMPMedia *) override { return E_NOTIMPL; }
};

class StubMedia : public IWMPMedia {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_isIdentical(IWMPMedia *, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_sourceURL(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_name(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_name(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_imageSourceWidth(LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_imageSourceHeight(LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_markerCount(LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getMarkerTime(LONG, double *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getMarkerName(LONG, BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_duration(double *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_durationString(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_attributeCount(LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getAttributeName(LONG, BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getItemInfo(BSTR, BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE setItemInfo(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE getItemInfoByAtom(LONG, BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE isMemberOf(IWMPPlaylist *, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE isReadOnlyItem(BSTR, VARIANT_BOOL *) override { return E_NOTIMPL; }
};

}  // namespace mr::test
