#pragma once

#include <QLineEdit>

#include "platform/ui/edit_mask.h"
#include "platform/ui/export.h"

namespace platform::ui {

/// A line edit that types through the platform's edit mask (see EditMask):
/// the text shown is the edit text (literals in place, blanks in unfilled
/// positions), typing overwrites position by position, and storedText() is
/// what a field keeps. With no mask it is a plain line edit.
class PLATFORM_UI_EXPORT MaskedEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskedEdit(QWidget* parent = nullptr);

    /// Throws EditMaskError for a malformed mask; "" removes the mask. The
    /// current stored text is kept and shown under the new mask.
    void setEditMask(const QString& mask);
    QString editMaskText() const { return maskText_; }
    const EditMask& editMask() const { return mask_; }

    QString storedText() const;
    /// Shows a stored value (see editTextFromStored) and puts the cursor at
    /// the start.
    void setStoredText(const QString& stored);
    MaskFill fill() const;

signals:
    /// The user changed the text by typing, erasing or pasting.
    void storedTextEdited(const QString& stored);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void applyState(const MaskEditState& state, bool byUser);
    void typeText(const QString& text);
    MaskEditState currentState() const;

    EditMask mask_;
    QString maskText_;
};

}  // namespace platform::ui
