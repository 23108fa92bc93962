#pragma once

#include "platform/ui/dialog_service.h"
#include "platform/ui/export.h"

namespace platform::ui {

/// The interactive service: modal message boxes and a pick-list dialog over
/// the active window. Titles carry the application's display name.
class PLATFORM_UI_EXPORT QtDialogService : public DialogService {
public:
    void error(const QString& text) override;
    void information(const QString& text) override;
    bool confirm(const QString& text) override;
    std::optional<int> pick(const PickList& list) override;
    /// A password box over the active window, asked again after each
    /// refused attempt.
    bool relogin(const ReloginPrompt& prompt,
                 const std::function<void(const QString& password)>& attempt) override;
};

}  // namespace platform::ui
