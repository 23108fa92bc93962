#include "framework/indice_col.h"

#include "framework/errors.h"
#include "platform/dbcontrols/db_grid.h"

namespace framework {

int IndiceCol(const platform::dbcontrols::DBGrid* grid, const QString& fieldName) {
    if (!grid)
        throw Error(
            QStringLiteral("Nenhuma grade para procurar a coluna do campo \"%1\".").arg(fieldName));
    const int index = grid->columnIndex(fieldName);
    if (index < 0) {
        const QString gridName =
            grid->objectName().isEmpty() ? QStringLiteral("(sem nome)") : grid->objectName();
        throw Error(
            QStringLiteral("A grade %1 não tem coluna do campo \"%2\".").arg(gridName, fieldName));
    }
    return index;
}

}  // namespace framework
