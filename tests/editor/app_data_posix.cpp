#include <dirent.h>
#include <stdlib.h>

#include <algorithm>

#include "common/file.h"
#include "common/text.h"
#include "tests/editor/app_data.h"

namespace mr::test {

ScopedAppData::ScopedAppData() : dir_(std::make_unique<ScopedTempDir>()) {
    if (const char* v = getenv("XDG_DATA_HOME")) {
        saved_ = v;
        hadValue_ = true;
    }
    setenv("XDG_DATA_HOME", Utf16ToUtf8(dir_->Path()).c_str(), 1);
}

ScopedAppData::ScopedAppData(std::u16string_view folder) {
    if (const char* v = getenv("XDG_DATA_HOME")) {
        saved_ = v;
        hadValue_ = true;
    }
    setenv("XDG_DATA_HOME", Utf16ToUtf8(folder).c_str(), 1);
}

ScopedAppData::~ScopedAppData() {
    if (hadValue_) {
        setenv("XDG_DATA_HOME", saved_.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

std::u16string ScopedAppData::StoreFolder() const {
    return fs::Join(fs::AppDataFolder(), u"Mirelto");
}

std::vector<std::u16string> ScopedAppData::StoreFiles() const {
    std::vector<std::u16string> names;
    if (DIR* d = opendir(Utf16ToUtf8(StoreFolder()).c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(Utf8ToUtf16(name));
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool ScopedAppData::Private() const {
    return true;
}

}  // namespace mr::test
