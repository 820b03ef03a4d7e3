# Flags shared by every target of ours (not by third-party code).
#
# Narrow string literals are written in UTF-8 and compiled to Shift-JIS bytes
# (code page 932, which keeps 0x5C as the backslash).
set(BRISEL_WARNINGS -Wall -Wextra -Wshadow $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor> -Werror)
set(BRISEL_CHARSET -finput-charset=UTF-8 -fexec-charset=CP932)

option(BRISEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(BRISEL_STATIC_TOOLS "Link the host tools statically" OFF)

function(brisel_target_flags target)
    target_compile_options(${target} PRIVATE ${BRISEL_WARNINGS} ${BRISEL_CHARSET})
    target_compile_features(${target} PUBLIC cxx_std_17)
    if(BRISEL_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined
                                                 -fno-sanitize-recover=all -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
    if(WIN32)
        # No build folder may reach the binaries: they must not depend on
        # where they were built.
        target_compile_options(${target} PRIVATE -Os -ffunction-sections -fdata-sections
                                                 -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
                                                 -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
        target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0601 WINVER=0x0601)
        target_link_options(${target} PRIVATE -static -Wl,--gc-sections)
    endif()
endfunction()
