# rq50core builds for Linux and Windows (scripts/windows-check). Every call
# it makes to the operating system sits in src/files/PlatformFile.cpp, with
# the POSIX and the Windows version side by side; no other core file may
# include a system header or call a POSIX-only function that the C++ headers
# happen to declare on Linux.
file(GLOB_RECURSE coreFiles
    ${PROJECT_SOURCE_DIR}/src/shell/*.cpp ${PROJECT_SOURCE_DIR}/src/shell/*.h
    ${PROJECT_SOURCE_DIR}/src/comm/*.cpp ${PROJECT_SOURCE_DIR}/src/comm/*.h
    ${PROJECT_SOURCE_DIR}/src/parameter/*.cpp ${PROJECT_SOURCE_DIR}/src/parameter/*.h
    ${PROJECT_SOURCE_DIR}/src/program/*.cpp ${PROJECT_SOURCE_DIR}/src/program/*.h
    ${PROJECT_SOURCE_DIR}/src/files/*.cpp ${PROJECT_SOURCE_DIR}/src/files/*.h
    ${PROJECT_SOURCE_DIR}/src/print/*.cpp ${PROJECT_SOURCE_DIR}/src/print/*.h)
list(FILTER coreFiles EXCLUDE REGEX "/files/PlatformFile\\.cpp$")
set(systemHeader "#[ \t]*include[ \t]*<(unistd|fcntl|signal|pthread|dlfcn|termios|poll|dirent|pwd|grp|spawn|io|direct|process|windows|winsock2|sys/[a-z_]+)\\.h>")
set(posixCall "[^A-Za-z_.>](localtime_r|gmtime_r|strerror_r|popen|pclose|setenv|unsetenv|realpath|mkstemp|mkdtemp|getpid|kill|fsync|fchmod|fchown|statvfs)[ \t]*\\(")
foreach(f ${coreFiles})
    file(STRINGS ${f} hits REGEX "${systemHeader}|${posixCall}")
    if(hits)
        file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${f})
        message(FATAL_ERROR "${name} calls the operating system directly; "
            "such calls belong in src/files/PlatformFile.cpp: ${hits}")
    endif()
endforeach()
