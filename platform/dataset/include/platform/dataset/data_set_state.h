#pragma once

#include <string_view>

#include "platform/dataset/export.h"

namespace platform::dataset {

/// The states of a data set. Edit and insert are the editing states.
enum class DataSetState { Inactive, Browse, Edit, Insert };

PLATFORM_DATASET_EXPORT std::string_view stateName(DataSetState state);

inline bool isEditingState(DataSetState state) {
    return state == DataSetState::Edit || state == DataSetState::Insert;
}

}  // namespace platform::dataset
