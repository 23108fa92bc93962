#include "net_script_state.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace framework {

namespace {

struct ScriptState {
    std::mutex mutex;
    std::map<std::string, int> failuresLeft;
    std::map<std::string, int> calls;
};

ScriptState& state() {
    static ScriptState s;
    return s;
}

}  // namespace

void NetScript::failNextCalls(const std::string& method, int count) {
    std::lock_guard lock(state().mutex);
    state().failuresLeft[method] = std::max(count, 0);
}

int NetScript::callCount(const std::string& method) {
    std::lock_guard lock(state().mutex);
    auto it = state().calls.find(method);
    return it == state().calls.end() ? 0 : it->second;
}

void NetScript::reset() {
    std::lock_guard lock(state().mutex);
    state().failuresLeft.clear();
    state().calls.clear();
}

bool recordCallAndCheckFailure(const std::string& method) {
    std::lock_guard lock(state().mutex);
    ++state().calls[method];
    auto it = state().failuresLeft.find(method);
    if (it == state().failuresLeft.end() || it->second == 0) return false;
    --it->second;
    return true;
}

}  // namespace framework
