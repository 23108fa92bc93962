#include "framework/screen_service.h"

#include "framework/errors.h"

namespace framework {

namespace {

ScreenOpener& installedOpener() {
    static ScreenOpener opener;
    return opener;
}

}  // namespace

void SetScreenOpener(ScreenOpener opener) {
    installedOpener() = std::move(opener);
}

void AbreTela(const QString& package, const ScreenParams& params) {
    const ScreenOpener& opener = installedOpener();
    if (!opener)
        throw Error(QStringLiteral("A tela do módulo %1 só pode ser aberta dentro da aplicação.")
                        .arg(package));
    opener(package, params);
}

}  // namespace framework
