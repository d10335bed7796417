#include "shell/GlobalState.h"

namespace rq50::shell {

GlobalState& G() {
    static GlobalState state;
    return state;
}

void ResetGlobalState() {
    G() = GlobalState{};
}

}  // namespace rq50::shell
