#include "host/main_window.h"

#include <QAction>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

#include "framework/application.h"
#include "framework/corvix.h"
#include "platform/ui/dispatch.h"

namespace host {

MainWindow::MainWindow(std::function<void()> openScreen, QWidget* parent)
    : QMainWindow(parent), mdiArea_(new QMdiArea(this)), mnuApropriacao_(nullptr) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Apropriação"));
    mdiArea_->setObjectName(QStringLiteral("mdiPrincipal"));
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);

    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Apropriação"));
    menu->setObjectName(QStringLiteral("mnuModulos"));
    mnuModulos_ = menu;
    screensEnd_ = menu->addSeparator();
    mnuApropriacao_ =
        addScreenEntry(QStringLiteral("mnuApropriacao"),
                       QStringLiteral("Manutenção da Apropriação"), std::move(openScreen));
    QAction* quit = menu->addAction(QStringLiteral("Sair"));
    quit->setObjectName(QStringLiteral("mnuSair"));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* windows = menuBar()->addMenu(QStringLiteral("&Janela"));
    windows->setObjectName(QStringLiteral("mnuJanela"));
    connect(windows->addAction(QStringLiteral("Cascata")), &QAction::triggered, mdiArea_,
            &QMdiArea::cascadeSubWindows);
    connect(windows->addAction(QStringLiteral("Lado a lado")), &QAction::triggered, mdiArea_,
            &QMdiArea::tileSubWindows);

    resize(1024, 720);
    framework::Application().SetMainForm(this, mdiArea_);
}

QAction* MainWindow::addScreenEntry(const QString& objectName, const QString& caption,
                                    std::function<void()> openScreen) {
    auto* entry = new QAction(caption, mnuModulos_);
    entry->setObjectName(objectName);
    mnuModulos_->insertAction(screensEnd_, entry);
    connect(entry, &QAction::triggered, this,
            [open = std::move(openScreen)] { platform::ui::dispatch(open); });
    return entry;
}

QAction* MainWindow::screenEntry(const QString& objectName) const {
    for (QAction* entry : mnuModulos_->actions())
        if (entry != screensEnd_ && entry->objectName() == objectName) return entry;
    return nullptr;
}

MainWindow::~MainWindow() {
    if (framework::Application().MainForm() == this)
        framework::Application().SetMainForm(nullptr, nullptr);
}

void MainWindow::showLoginInStatusBar() {
    statusBar()->showMessage(QStringLiteral("Operador %1 — %2   Filial %3   Servidor %4:%5")
                                 .arg(framework::Operador(), framework::NomeOperador(),
                                      framework::FiliProc(), framework::WebURL())
                                 .arg(framework::WebPort()));
}

}  // namespace host
