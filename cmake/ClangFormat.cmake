# Formats the tree's C++ files, or checks that clang-format would leave every one unchanged.
#   cmake -DCLANG_FORMAT=/usr/bin/clang-format -DSOURCE_DIR=... -DMODE=fix|check -P ClangFormat.cmake
# The files are the ones git tracks; outside a git checkout, every C++ file of the source folders.

set(folders DevTools tests bench)
set(files "")
find_program(GIT git)
if(GIT AND EXISTS "${SOURCE_DIR}/.git")
    execute_process(
        COMMAND "${GIT}" ls-files --cached --others --exclude-standard -- ${folders}
        WORKING_DIRECTORY "${SOURCE_DIR}"
        OUTPUT_VARIABLE listed
        RESULT_VARIABLE git_result)
    if(git_result EQUAL 0)
        string(REPLACE "\n" ";" listed "${listed}")
        foreach(file IN LISTS listed)
            if(file MATCHES "\\.(cpp|h)$" AND EXISTS "${SOURCE_DIR}/${file}")
                list(APPEND files "${file}")
            endif()
        endforeach()
    endif()
endif()
if(NOT files)
    foreach(folder IN LISTS folders)
        file(GLOB_RECURSE found RELATIVE "${SOURCE_DIR}"
            "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
        list(APPEND files ${found})
    endforeach()
endif()
list(SORT files)
list(LENGTH files count)

if(MODE STREQUAL "fix")
    execute_process(COMMAND "${CLANG_FORMAT}" -i --style=file ${files}
        WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "clang-format failed (${result})")
    endif()
    message(STATUS "Formatted ${count} files")
    return()
endif()

execute_process(COMMAND "${CLANG_FORMAT}" --dry-run --Werror --style=file ${files}
    WORKING_DIRECTORY "${SOURCE_DIR}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE out
    ERROR_VARIABLE diagnostics)
if(result EQUAL 0)
    message(STATUS "All ${count} files are formatted")
    return()
endif()
string(REGEX MATCHALL "[^\n]+:[0-9]+:[0-9]+: error: code should be clang-formatted" lines
    "${diagnostics}")
set(differing "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE ":[0-9]+:[0-9]+: error: .*" "" file "${line}")
    list(APPEND differing "${file}")
endforeach()
list(REMOVE_DUPLICATES differing)
if(NOT differing)
    message(FATAL_ERROR "clang-format failed (${result}):\n${diagnostics}")
endif()
list(LENGTH differing bad)
list(JOIN differing "\n  " shown)
message(FATAL_ERROR "${bad} of ${count} files differ from clang-format's output "
    "(run the 'format' target):\n  ${shown}")
