#include "framework/errors.h"
#include "framework/utils.h"

namespace framework {

QString NomeMes(const platform::dataset::DateTime& date) {
    static const char* const names[] = {"Janeiro",  "Fevereiro", "Março",    "Abril",
                                        "Maio",     "Junho",     "Julho",    "Agosto",
                                        "Setembro", "Outubro",   "Novembro", "Dezembro"};
    if (!date.datePart().isValid()) throw Error(QStringLiteral("Data inválida: sem nome de mês."));
    return QString::fromUtf8(names[date.month - 1]);
}

QString NomeSemana(const platform::dataset::DateTime& date) {
    static const char* const names[] = {"Domingo", "Segunda", "Terça", "Quarta",
                                        "Quinta",  "Sexta",   "Sábado"};
    if (!date.datePart().isValid())
        throw Error(QStringLiteral("Data inválida: sem dia da semana."));
    return QString::fromUtf8(names[date.dayOfWeek()]);
}

}  // namespace framework
