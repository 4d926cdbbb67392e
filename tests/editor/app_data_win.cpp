#include "common/file.h"
#include "tests/editor/app_data.h"

namespace mr::test {

// The prefix's application-data folder stays; the store cleans up after
// itself, which the tests check.
ScopedAppData::ScopedAppData() = default;
ScopedAppData::ScopedAppData(std::u16string_view /*folder*/) {}
ScopedAppData::~ScopedAppData() = default;

std::u16string ScopedAppData::StoreFolder() const {
    return fs::Join(fs::AppDataFolder(), u"Mirelto");
}

std::vector<std::u16string> ScopedAppData::StoreFiles() const {
    return {};
}

bool ScopedAppData::Private() const {
    return false;
}

}  // namespace mr::test
