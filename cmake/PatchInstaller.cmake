# add_patch_installer(NAME PACKAGE_DIR [FORCE]): builds NAME.exe in the
# current binary folder from a package folder, with patchpack and the link
# recipe, exactly as `./run package` does. patchpack checks the package
# first and stops on errors; FORCE builds a package that is broken on
# purpose (to test how the installer handles it) despite its errors.
set(PATCHPACK_EXE "" CACHE FILEPATH "The host patchpack tool from the native build")

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
                --link-recipe ${BRISEL_LINK_RECIPE} --out ${out}
                --stage ${CMAKE_CURRENT_BINARY_DIR}/${name}.package ${force}
        DEPENDS ${inputs} ${PATCHPACK_EXE} ${BRISEL_LINK_RECIPE}
                $<TARGET_OBJECTS:brisel_app_main> $<TARGET_OBJECTS:brisel_app_resources>
                $<TARGET_FILE:brisel_view> $<TARGET_FILE:brisel>
        COMMENT "Building patch installer ${name}.exe"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${out})
    add_dependencies(${name} brisel_installer_parts)
endfunction()
