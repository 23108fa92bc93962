#pragma once

#include <QPointer>
#include <QString>
#include <QToolButton>

#include <functional>

#include "framework/export.h"

namespace platform::dataset {
class DataSource;
}

namespace framework {

/// A small search button placed beside an edit (its Associate). It never
/// takes the keyboard focus, so pressing it runs no exit handler of the
/// field the user is in.
///
/// A click (through the platform dispatch point: an error is shown, a silent
/// abort shows nothing, and either ends the search):
///   1. OnBeforePesq(sender, proceed) with proceed true: the handler fills
///      the data set behind DataSource; setting proceed false ends the
///      search quietly;
///   2. with no row to offer (empty or closed data set, no source) the
///      EmptyError text is shown as an error instead of a list;
///   3. otherwise the pick list of the rows (see Pesquisar) under Title;
///   4. after a pick (the data set positioned on the picked row),
///      OnAfterPesq(sender);
///   5. then the focus goes to the Associate edit, through the screen's
///      focus manager when it has one, so its enter/exit rules apply.
/// A cancelled list ends the search after step 3.
class FRAMEWORK_EXPORT TBtnPesquisa : public QToolButton {
    Q_OBJECT
public:
    using BeforePesqEvent = std::function<void(TBtnPesquisa& sender, bool& proceed)>;
    using AfterPesqEvent = std::function<void(TBtnPesquisa& sender)>;

    explicit TBtnPesquisa(QWidget* parent = nullptr);

    /// The edit the button searches for (not owned; may be null).
    void SetAssociate(QWidget* edit) { associate_ = edit; }
    QWidget* Associate() const { return associate_.data(); }
    /// The source of the list (not owned; may be null).
    void SetDataSource(platform::dataset::DataSource* source) { source_ = source; }
    platform::dataset::DataSource* DataSource() const { return source_; }
    void SetTitle(const QString& title) { title_ = title; }
    QString Title() const { return title_; }
    /// Shown instead of an empty list; PesquisarEmptyText() when empty.
    void SetEmptyError(const QString& text) { emptyError_ = text; }
    QString EmptyError() const { return emptyError_; }

    /// Runs the search as a click does, but lets errors reach the caller.
    /// Returns true when a row was picked.
    bool Execute();

    BeforePesqEvent OnBeforePesq;
    AfterPesqEvent OnAfterPesq;

private:
    void focusAssociate();

    QPointer<QWidget> associate_;
    platform::dataset::DataSource* source_ = nullptr;
    QString title_;
    QString emptyError_;
};

}  // namespace framework
