# add_patch_installer(NAME PACKAGE_DIR [FORCE] [PATCHPACK_OPTIONS...]): writes
# NAME.exe in the current binary folder from a package folder and this
# build's stub with the host patchpack, exactly as `./run package` does;
# further arguments (--icon, version texts) go to patchpack. patchpack checks
# the package first and stops on errors; FORCE builds a package that is
# broken on purpose (to test how the installer handles it) despite its
# errors. Registers the test that reads the installer back with pefile and
# compares it with the package.
set(PATCHPACK_EXE "" CACHE FILEPATH "The host patchpack tool")
set(BRISEL_PYTHON /usr/bin/python3 CACHE FILEPATH "Debian's Python, which has pefile")

function(add_patch_installer name package_dir)
    cmake_parse_arguments(PARSE_ARGV 2 arg "FORCE" "" "")
    if(NOT PATCHPACK_EXE)
        message(WARNING "PATCHPACK_EXE is not set: ${name} is not built")
        return()
    endif()
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}.exe)
    set(force)
    if(arg_FORCE)
        set(force --force)
    endif()
    file(GLOB_RECURSE inputs CONFIGURE_DEPENDS ${package_dir}/*)
    add_custom_command(OUTPUT ${out}
        COMMAND ${PATCHPACK_EXE} build ${package_dir} --arch ${CMAKE_SYSTEM_PROCESSOR}
                --stub $<TARGET_FILE:installer_stub> --out ${out} ${force}
                ${arg_UNPARSED_ARGUMENTS}
        DEPENDS ${inputs} ${PATCHPACK_EXE} installer_stub $<TARGET_FILE:installer_stub>
        COMMENT "Writing patch installer ${name}.exe"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${out})
    add_installer_check(${name} ${out} ${package_dir} ${arg_UNPARSED_ARGUMENTS})
endfunction()

# add_installer_check(NAME EXE PACKAGE_DIR [PATCHPACK_OPTIONS...]): the test
# pe_NAME, which checks EXE against the package it was written from.
function(add_installer_check name exe package_dir)
    add_test(NAME pe_${name}
        COMMAND ${BRISEL_PYTHON} ${CMAKE_SOURCE_DIR}/tests/pe/check_installer.py
                --arch ${CMAKE_SYSTEM_PROCESSOR} --package ${package_dir}
                --forbid-text ${CMAKE_SOURCE_DIR} --forbid-text ${CMAKE_BINARY_DIR}
                ${ARGN} ${exe})
endfunction()
