# rq50core is standard C++ only. Qt reaches a target only through
# target_link_libraries(Qt6::...), so the core is kept free of Qt by refusing
# any Qt library or Qt include folder on it: a stray #include <Q...> in a core
# file then fails to compile.
foreach(layer ${RQ50_CORE_LAYERS})
    foreach(prop INCLUDE_DIRECTORIES INTERFACE_INCLUDE_DIRECTORIES LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        get_target_property(value rq50_${layer} ${prop})
        if(value AND "${value}" MATCHES "[Qq]t[56]")
            message(FATAL_ERROR "rq50_${layer} must not see Qt, but its ${prop} holds: ${value}")
        endif()
    endforeach()
endforeach()
get_directory_property(globalIncludes DIRECTORY ${CMAKE_SOURCE_DIR}/src INCLUDE_DIRECTORIES)
if(globalIncludes MATCHES "[Qq]t[56]")
    message(FATAL_ERROR "Qt include folders must not be set for the whole source tree: ${globalIncludes}")
endif()
