#include "entry/cria_apropriacao.h"

#include <QString>

#include <optional>

#include "framework/errors.h"
#include "framework/open_screen.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

void CriaApropriacao() {
    framework::OpenScreen(QStringLiteral("Manutenção da Apropriação"), frmApropriacao, boIdCriado);
}

void IniProc() {
    CriaApropriacao();
}

void IniProcParams(int count, const char* const* params) {
    QString operador;
    std::optional<platform::dataset::DateTime> dia;
    for (int i = 0; i < count; ++i) {
        const QString param = QString::fromUtf8(params[i]);
        const QString name = param.section(QLatin1Char('='), 0, 0);
        const QString value = param.section(QLatin1Char('='), 1);
        if (name == QStringLiteral("CDOPERADOR")) {
            operador = value;
        } else if (name == QStringLiteral("DTDIA")) {
            dia = platform::dataset::DateTime::parseIso(value.toStdString());
            if (!dia)
                throw framework::Error(
                    QStringLiteral("Manutenção da Apropriação: \"%1\" não é um dia.").arg(value));
        } else {
            throw framework::Error(
                QStringLiteral("Manutenção da Apropriação: parâmetro desconhecido \"%1\".")
                    .arg(param));
        }
    }
    if (operador.isEmpty() || !dia)
        throw framework::Error(QStringLiteral(
            "Manutenção da Apropriação: informe o operador (CDOPERADOR) e o dia (DTDIA)."));
    CriaApropriacao();
    if (boIdCriado && frmApropriacao) frmApropriacao->AbreDia(operador, *dia);
}

}  // namespace Cli_Zep00700
