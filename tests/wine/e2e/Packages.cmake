# add_test_package_installers(PREFIX LIST_VAR): an installer PREFIX<name> from
# each package folder of the end-to-end tests written with --store (raw),
# and PREFIX<name>-z from the same folder as by default (compressed); their
# target names go to LIST_VAR. Packages
# broken on purpose, to see how the installer handles them, are written with
# FORCE: patchpack refuses them otherwise. A package with previous versions
# in tests/wine/e2e/packages-old/<name> is written as PREFIX<name> with
# deltas against them (--from), and as PREFIX<name>-whole with the whole
# files as well (--keep-whole); its PREFIX<name>-z has no deltas.
include(${CMAKE_SOURCE_DIR}/cmake/PatchInstaller.cmake)

function(add_test_package_installers prefix list_var)
    set(broken blank-linkpath no-linkpath no-outfiles)
    file(GLOB packages LIST_DIRECTORIES true CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/tests/wine/e2e/packages/*)
    set(targets)
    foreach(package ${packages})
        get_filename_component(name ${package} NAME)
        set(force)
        if(name IN_LIST broken)
            set(force FORCE)
        endif()
        set(old ${CMAKE_SOURCE_DIR}/tests/wine/e2e/packages-old/${name})
        if(IS_DIRECTORY ${old})
            add_patch_installer(${prefix}${name} ${package} ${force} --from ${old})
            add_patch_installer(${prefix}${name}-whole ${package} ${force} --from ${old}
                                --keep-whole)
            list(APPEND targets ${prefix}${name}-whole)
        else()
            add_patch_installer(${prefix}${name} ${package} ${force} --store)
        endif()
        add_patch_installer(${prefix}${name}-z ${package} ${force})
        list(APPEND targets ${prefix}${name} ${prefix}${name}-z)
    endforeach()
    set(${list_var} ${targets} PARENT_SCOPE)
endfunction()
