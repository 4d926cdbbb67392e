#include "tests/frame/raw_value.h"

namespace mr::test {

bool WriteUnterminatedString(std::u16string_view, std::u16string_view, std::u16string_view) {
    return false;
}

}  // namespace mr::test
