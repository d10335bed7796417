#include "shell/Services.h"

#include <stdexcept>

namespace rq50::shell {

Services& Svc() {
    static Services services;
    return services;
}

comm::CommEngine& FrontEndEngine() {
    if (Svc().engine == nullptr) throw std::logic_error("no session is running");
    return *Svc().engine;
}

}  // namespace rq50::shell
