#pragma once

#include <QMainWindow>

#include <functional>

class QAction;
class QMenu;
class QMdiArea;

namespace host {

/// The host's MDI main window: the screens live in its MDI area. The menu
/// entry "Manutenção da Apropriação" (`mnuApropriacao`) runs `openScreen`
/// through the platform's dispatch point, so a failure is shown to the user;
/// the other screens' entries are added beside it (addScreenEntry).
/// While it exists the window is the application object's main form.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(std::function<void()> openScreen, QWidget* parent = nullptr);
    ~MainWindow() override;

    QMdiArea* mdiArea() const { return mdiArea_; }
    QAction* apropriacaoAction() const { return mnuApropriacao_; }
    /// Adds the menu entry `objectName` with `caption` after the screens'
    /// entries already there; triggering it runs `openScreen` as the first
    /// entry runs its own.
    QAction* addScreenEntry(const QString& objectName, const QString& caption,
                            std::function<void()> openScreen);
    /// The screen entry named `objectName` ("mnuResumo"), or null.
    QAction* screenEntry(const QString& objectName) const;

    /// Shows who is logged in where, from the login values.
    void showLoginInStatusBar();

private:
    QMdiArea* mdiArea_;
    QAction* mnuApropriacao_;
    QMenu* mnuModulos_ = nullptr;
    QAction* screensEnd_ = nullptr;  ///< the separator before "Sair"
};

}  // namespace host
