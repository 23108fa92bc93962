#include "framework/application.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

#include "framework/errors.h"

namespace framework {

TApplication& Application() {
    static TApplication application;
    return application;
}

void TApplication::SetMainForm(QWidget* mainForm, QMdiArea* mdiArea) {
    mainForm_ = mainForm;
    mdiArea_ = mdiArea;
}

QMdiArea* TApplication::MdiArea() const {
    return mdiArea_.data();
}

void TApplication::adopt(QWidget* form) {
    std::erase_if(forms_, [](const QPointer<QWidget>& f) { return f.isNull(); });
    forms_.emplace_back(form);
}

std::vector<QWidget*> TApplication::Forms() const {
    std::vector<QWidget*> alive;
    for (const auto& form : forms_) {
        if (form) alive.push_back(form.data());
    }
    return alive;
}

void TApplication::DestroyForms() {
    // Newest first, as forms may refer to the ones created before them.
    std::vector<QPointer<QWidget>> forms;
    forms.swap(forms_);
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        QWidget* form = it->data();
        if (!form) continue;
        if (QMdiSubWindow* window = SubWindowOf(form)) {
            delete window;  // takes the form with it
        } else {
            delete form;
        }
    }
}

QMdiSubWindow* TApplication::SubWindowOf(const QWidget* form) {
    if (!form) return nullptr;
    auto* window = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    return window && window->widget() == form ? window : nullptr;
}

QMdiSubWindow* TApplication::ShowChild(QWidget* form) {
    if (!form) throw Error(QStringLiteral("Nenhum formulário para mostrar."));
    QMdiArea* area = MdiArea();
    if (!area) throw Error(QStringLiteral("A janela principal da aplicação não está aberta."));
    QMdiSubWindow* window = SubWindowOf(form);
    if (!window) {
        // A form keeps the size it was designed with; the MDI window would
        // otherwise shrink it to its size hint.
        const QSize designed =
            form->testAttribute(Qt::WA_Resized) ? form->size() : form->sizeHint();
        window = area->addSubWindow(form);
        form->show();
        window->show();
        const QSize frame = window->size() - form->size();
        window->resize(designed + frame);
    }
    form->show();
    window->show();
    // A form may close itself while it is shown (a refused user, say); its
    // window has then left the area and is not to be activated.
    if (area->subWindowList().contains(window)) area->setActiveSubWindow(window);
    return window;
}

void TApplication::SetWindowState(QWidget* form, FormWindowState state) {
    if (!form) return;
    QWidget* window = SubWindowOf(form);
    if (!window) window = form;
    switch (state) {
        case FormWindowState::Normal:
            window->showNormal();
            break;
        case FormWindowState::Minimized:
            window->showMinimized();
            break;
        case FormWindowState::Maximized:
            window->showMaximized();
            break;
    }
}

FormWindowState TApplication::WindowState(const QWidget* form) {
    const QWidget* window = SubWindowOf(form);
    if (!window) window = form;
    if (!window) return FormWindowState::Normal;
    const Qt::WindowStates states = window->windowState();
    if (states & Qt::WindowMinimized) return FormWindowState::Minimized;
    if (states & Qt::WindowMaximized) return FormWindowState::Maximized;
    return FormWindowState::Normal;
}

void TApplication::SetScreenCursor(ScreenCursorKind cursor) {
    if (cursor == cursor_) return;
    // One override of our own at most, so that Default always undoes it
    // however many times the hourglass was asked for.
    if (cursor == ScreenCursorKind::Hourglass) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
    cursor_ = cursor;
}

}  // namespace framework
