#pragma once

#include <QMainWindow>

#include <functional>

class QAction;
class QMdiArea;

namespace host {

/// The host's MDI main window: the screens live in its MDI area. The menu
/// entry "Manutenção da Apropriação" (`mnuApropriacao`) runs `openScreen`
/// through the platform's dispatch point, so a failure is shown to the user.
/// While it exists the window is the application object's main form.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(std::function<void()> openScreen, QWidget* parent = nullptr);
    ~MainWindow() override;

    QMdiArea* mdiArea() const { return mdiArea_; }
    QAction* apropriacaoAction() const { return mnuApropriacao_; }

    /// Shows who is logged in where, from the login values.
    void showLoginInStatusBar();

private:
    QMdiArea* mdiArea_;
    QAction* mnuApropriacao_;
};

}  // namespace host
