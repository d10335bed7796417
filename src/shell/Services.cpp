#include "shell/Services.h"

namespace rq50::shell {

Services& Svc() {
    static Services services;
    return services;
}

}  // namespace rq50::shell
