#pragma once

#include <QString>

#include "framework/export.h"

namespace platform::dataset {
class DataSource;
}

namespace framework {

/// The text shown for an empty list when the caller gave none.
FRAMEWORK_EXPORT QString PesquisarEmptyText();

/// The search dialog: offers the rows of the data set behind `source` in
/// the dialog service's pick list and positions the data set on the row the
/// user picks.
///
/// `title` is "Título" or "Título|texto da lista vazia": the part before
/// the first bar is the dialog's title, the part after it the text shown
/// instead of the list when there is no row to offer (a closed data set or
/// a null source counts as empty; without a bar PesquisarEmptyText() is
/// shown). `emptyAsError` shows that text as an error (true, the usual
/// call) or as information (false).
///
/// The columns are the visible fields in order (all fields with `allFields`
/// true), titled with the fields' labels; each row shows the fields'
/// display texts. The rows are read without moving the cursor, so no
/// scroll handler runs until a row is picked; a data set being edited is
/// first brought to browse (a modified row posted, an unmodified one
/// cancelled).
///
/// Returns true when a row was picked, the data set then positioned on it
/// by record number (with its scroll events); false on cancel (the data set
/// stays where it was) and for an empty list. Errors of the data set and of
/// the dialog service pass on to the caller.
FRAMEWORK_EXPORT bool Pesquisar(platform::dataset::DataSource* source, const QString& title,
                                bool allFields = false, bool emptyAsError = true);

}  // namespace framework
