#include "net_script_state.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>

namespace framework {

namespace {

struct ScriptState {
    std::mutex mutex;
    std::map<std::string, int> failuresLeft;
    std::map<std::string, int> calls;
    std::chrono::steady_clock::duration waited{};
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

double NetScript::callSeconds() {
    std::lock_guard lock(state().mutex);
    return std::chrono::duration<double>(state().waited).count();
}

void NetScript::reset() {
    std::lock_guard lock(state().mutex);
    state().failuresLeft.clear();
    state().calls.clear();
    state().waited = {};
}

void recordCallTime(std::chrono::steady_clock::duration waited) {
    std::lock_guard lock(state().mutex);
    state().waited += waited;
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
