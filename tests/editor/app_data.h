#pragma once
// Points the per-user application-data folder at a fresh temporary folder for
// one test, where the platform allows it (natively through XDG_DATA_HOME); in
// the Windows build the Wine prefix's own folder is used as it is.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/test_support.h"

namespace mr::test {

class ScopedAppData {
public:
    ScopedAppData();
    // Points it at `folder` instead (which need not be a folder at all).
    explicit ScopedAppData(std::u16string_view folder);
    ~ScopedAppData();
    ScopedAppData(const ScopedAppData&) = delete;
    ScopedAppData& operator=(const ScopedAppData&) = delete;

    // The folder the store's temporary files go to ("…/Mirelto").
    std::u16string StoreFolder() const;
    // True when the folder belongs to this test alone (natively); under Wine
    // other test programs share the prefix's folder.
    bool Private() const;
    // Names of the files in StoreFolder(), sorted (natively only; empty under
    // Wine).
    std::vector<std::u16string> StoreFiles() const;

private:
    std::unique_ptr<ScopedTempDir> dir_;
    std::string saved_;
    bool hadValue_ = false;
};

}  // namespace mr::test
