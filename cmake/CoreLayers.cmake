# The core's folders form layers (RQ50_CORE_LAYERS, lowest first): a file may
# include headers of its own folder and of the folders below it, never of a
# folder above. Each folder builds as its own library linked only to the one
# below, so the rule holds for calls as well as for includes.
set(layerIndex 0)
foreach(layer ${RQ50_CORE_LAYERS})
    set(rank_${layer} ${layerIndex})
    math(EXPR layerIndex "${layerIndex} + 1")
endforeach()
foreach(layer ${RQ50_CORE_LAYERS})
    file(GLOB_RECURSE layerFiles ${PROJECT_SOURCE_DIR}/src/${layer}/*.cpp
         ${PROJECT_SOURCE_DIR}/src/${layer}/*.h)
    foreach(f ${layerFiles})
        file(STRINGS ${f} includes REGEX "^#include \"[a-z]+/")
        foreach(line ${includes})
            string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" target "${line}")
            if(DEFINED rank_${target} AND rank_${target} GREATER rank_${layer})
                file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${f})
                message(FATAL_ERROR "${name} (layer ${layer}) includes from ${target}, "
                    "a layer above it: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
