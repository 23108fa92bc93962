#include "framework/operator_search.h"

#include <QLineEdit>

#include "framework/btn_pesquisa.h"
#include "framework/standard_icon.h"
#include "platform/dataset/data_set.h"

namespace framework {

void ConfiguraPesqOperador(TBtnPesquisa& button, QWidget* code,
                           platform::dataset::DataSource& source) {
    button.SetAssociate(code);
    button.SetTitle(QStringLiteral("Operador"));
    button.SetDataSource(&source);
    button.SetEmptyError(
        QStringLiteral("Não há operador cadastrado para equipe de trabalho do usuário."));
    button.setIcon(StandardIcon(&button, QStyle::SP_FileDialogContentsView));
}

void MostraOperador(const platform::dataset::DataSet& operators, QLineEdit* code, QLineEdit* name) {
    // The code first: a screen's change handler on it may empty the name.
    code->setText(QString::fromStdString(operators.fieldByName("CDOPERADOR").text()));
    name->setText(QString::fromStdString(operators.fieldByName("NMOPERADOR").text()));
}

}  // namespace framework
