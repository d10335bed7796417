# rq50core builds for Linux and Windows (scripts/windows-check). Every call
# it makes to the operating system sits in src/shell/PlatformFile.cpp, with
# the POSIX and the Windows version side by side; no other core file may
# include a system header or call a POSIX-only function that the C++ headers
# happen to declare on Linux.
set(coreFiles)
foreach(layer ${RQ50_CORE_LAYERS})
    file(GLOB_RECURSE layerFiles ${PROJECT_SOURCE_DIR}/src/${layer}/*.cpp ${PROJECT_SOURCE_DIR}/src/${layer}/*.h)
    list(APPEND coreFiles ${layerFiles})
endforeach()
list(FILTER coreFiles EXCLUDE REGEX "/shell/PlatformFile\\.cpp$")
set(systemHeader "#[ \t]*include[ \t]*<(unistd|fcntl|signal|pthread|dlfcn|termios|poll|dirent|pwd|grp|spawn|io|direct|process|windows|winsock2|sys/[a-z_]+)\\.h>")
set(posixCall "[^A-Za-z_.>](localtime_r|gmtime_r|strerror_r|popen|pclose|setenv|unsetenv|realpath|mkstemp|mkdtemp|getpid|kill|fsync|fchmod|fchown|statvfs)[ \t]*\\(")
foreach(f ${coreFiles})
    file(STRINGS ${f} hits REGEX "${systemHeader}|${posixCall}")
    if(hits)
        file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${f})
        message(FATAL_ERROR "${name} calls the operating system directly; "
            "such calls belong in src/shell/PlatformFile.cpp: ${hits}")
    endif()
endforeach()
