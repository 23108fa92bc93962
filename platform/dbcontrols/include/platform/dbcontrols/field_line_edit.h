#pragma once

#include <functional>

#include "platform/dbcontrols/export.h"
#include "platform/ui/masked_edit.h"

namespace platform::dataset {
class Field;
}

namespace platform::dbcontrols {

/// A masked line edit that edits one field's text: it asks for leave before
/// the user changes anything (the control starts the data set's edit there,
/// which a before-edit handler may refuse), remembers whether the user
/// changed the text since it was last loaded, and writes the text back
/// through the field. Used by the grid's in-place editor and by DBEdit.
class PLATFORM_DBCONTROLS_EXPORT FieldLineEdit : public ui::MaskedEdit {
    Q_OBJECT
public:
    explicit FieldLineEdit(QWidget* parent = nullptr);

    /// Called before a key press, paste or cut would change the text; false
    /// refuses the change. Unset: every change is allowed.
    std::function<bool()> beforeModify;

    /// Shows the field's edit text under the field's edit mask (an empty
    /// text for nullptr) and clears the modified mark.
    void loadFrom(const platform::dataset::Field* field);
    /// Writes the text into the field when the user changed it (the mark is
    /// cleared first and restored when the field refuses the text, whose
    /// error propagates). Returns whether anything was written.
    bool writeTo(platform::dataset::Field& field);

    /// The user changed the text since it was last loaded or written.
    bool userModified() const { return modified_; }
    void setUserModified(bool modified) { modified_ = modified; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    static bool changesText(const QKeyEvent* event);
    bool maskRefuses(const QKeyEvent* event) const;

    bool modified_ = false;
};

}  // namespace platform::dbcontrols
