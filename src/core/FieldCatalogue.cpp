#include "core/FieldCatalogue.h"

namespace tillery {

std::string_view fieldName(Field field)
{
    return kFieldNames[static_cast<std::size_t>(field)];
}

std::optional<Field> fieldFromName(std::string_view name)
{
    for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
        if (kFieldNames[i] == name) {
            return static_cast<Field>(i);
        }
    }
    return std::nullopt;
}

}  // namespace tillery
