#pragma once

#include "framework/export.h"

class QLineEdit;
class QWidget;

namespace platform::dataset {
class DataSet;
class DataSource;
}  // namespace platform::dataset

namespace framework {

class TBtnPesquisa;

/// The screens' search of the operators of the user's work teams, beside
/// their operator code `code`: the list of `source` (GetOperEquip's answer
/// for every operator) under the title "Operador", its text when it is
/// empty, and the search icon.
FRAMEWORK_EXPORT void ConfiguraPesqOperador(TBtnPesquisa& button, QWidget* code,
                                            platform::dataset::DataSource& source);

/// Shows the current operator of `operators` (GetOperEquip's answer): its
/// code in `code`, then its name in `name`.
FRAMEWORK_EXPORT void MostraOperador(const platform::dataset::DataSet& operators, QLineEdit* code,
                                     QLineEdit* name);

}  // namespace framework
