#include "platform/Account.h"

#include <QString>

#ifdef _WIN32
#include <lmcons.h>
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace rq50::platform {

std::string AccountName() {
#ifdef _WIN32
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (::GetUserNameW(name, &size) && size > 1)
        return QString::fromWCharArray(name, static_cast<qsizetype>(size - 1)).toStdString();
#else
    if (const passwd* account = ::getpwuid(::geteuid()); account != nullptr && account->pw_name)
        return account->pw_name;
#endif
    return "unknown";
}

}  // namespace rq50::platform
