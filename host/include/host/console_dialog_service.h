#pragma once

#include <ostream>

#include "platform/ui/scripted_dialog_service.h"

namespace host {

/// The dialog service of unattended runs (the screenshot): every message is
/// recorded and written to the console; a question has no one to answer it
/// and fails as the scripted service does.
class ConsoleDialogService : public platform::ui::ScriptedDialogService {
public:
    explicit ConsoleDialogService(std::ostream& out) : out_(out) {}

    void error(const QString& text) override;
    void information(const QString& text) override;

private:
    std::ostream& out_;
};

}  // namespace host
