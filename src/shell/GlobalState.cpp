#include "shell/GlobalState.h"

namespace rq50::shell {

constinit GlobalState detail::applicationState;

void ResetGlobalState() {
    G() = GlobalState{};
}

}  // namespace rq50::shell
