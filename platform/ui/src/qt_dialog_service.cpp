#include "platform/ui/qt_dialog_service.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace platform::ui {

namespace {

QString dialogTitle() {
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Aviso") : name;
}

}  // namespace

void QtDialogService::error(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), dialogTitle(), text);
}

void QtDialogService::information(const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), dialogTitle(), text);
}

bool QtDialogService::confirm(const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), dialogTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<int> QtDialogService::pick(const PickList& list) {
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(list.title);
    auto* layout = new QVBoxLayout(&dialog);

    auto* table = new QTableWidget(static_cast<int>(list.rows.size()),
                                   static_cast<int>(list.columnTitles.size()), &dialog);
    table->setHorizontalHeaderLabels(list.columnTitles);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    for (int r = 0; r < table->rowCount(); ++r) {
        const QStringList& row = list.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < table->columnCount() && c < row.size(); ++c) {
            table->setItem(r, c, new QTableWidgetItem(row[c]));
        }
    }
    table->resizeColumnsToContents();
    if (table->rowCount() > 0) table->selectRow(0);
    layout->addWidget(table);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(table, &QTableWidget::cellDoubleClicked, &dialog, &QDialog::accept);
    dialog.resize(640, 400);

    if (dialog.exec() != QDialog::Accepted || table->currentRow() < 0) return std::nullopt;
    return table->currentRow();
}

bool QtDialogService::relogin(const ReloginPrompt& prompt,
                              const std::function<void(const QString& password)>& attempt) {
    for (;;) {
        bool given = false;
        const QString password =
            QInputDialog::getText(QApplication::activeWindow(), dialogTitle(), prompt.text,
                                  QLineEdit::Password, QString(), &given);
        if (!given) return false;
        try {
            attempt(password);
            return true;
        } catch (const std::exception& e) {
            error(QString::fromUtf8(e.what()));
        }
    }
}

}  // namespace platform::ui
