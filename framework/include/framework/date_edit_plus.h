#pragma once

#include <QColor>
#include <QStringList>

#include <optional>

#include "framework/export.h"
#include "platform/dataset/datetime.h"
#include "platform/ui/masked_edit.h"

namespace framework {

/// A date entry in "dd/mm/yyyy". GetDate gives the zero date when nothing
/// is entered; CheckValidDate refuses a date that does not exist. A valid
/// date is drawn in ValidDateColor; the weekday of the date shows as the
/// tooltip. With KeepTime false (the default) no time part is kept.
class FRAMEWORK_EXPORT TDateEditPlus : public platform::ui::MaskedEdit {
    Q_OBJECT
public:
    explicit TDateEditPlus(QWidget* parent = nullptr);

    /// The entered date (with the kept time when KeepTime is on), or the
    /// zero date when the entry is empty. Throws framework::Error like
    /// CheckValidDate for an entry that is not a date.
    platform::dataset::DateTime GetDate() const;
    /// Shows `date` (the zero date empties the entry).
    void SetDate(const platform::dataset::DateTime& date);
    /// Throws framework::Error ("\"31/02/2026\" não é uma data válida.") for
    /// a partial or impossible date; an empty entry passes.
    void CheckValidDate() const;
    bool hasValidDate() const;

    void setWeekdayNames(const QStringList& sundayFirst);
    QStringList weekdayNames() const { return weekdayNames_; }
    /// The name of the entered date's weekday, or "" without a valid date.
    QString weekdayName() const;

    void setValidDateColor(const QColor& color);
    QColor validDateColor() const { return validColor_; }
    /// The colour the text is drawn in now.
    QColor currentTextColor() const;
    void setKeepTime(bool keep) { keepTime_ = keep; }
    bool keepTime() const { return keepTime_; }

private:
    std::optional<platform::dataset::DateTime> parsed() const;
    void refreshLook();

    QStringList weekdayNames_;
    QColor validColor_;
    QColor defaultTextColor_;
    bool keepTime_ = false;
    int keptSeconds_ = 0;
};

}  // namespace framework
