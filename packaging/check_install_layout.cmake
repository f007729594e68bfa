# cmake -DBUILD_DIR=... -DPREFIX=... -P check_install_layout.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
    bin/ptzpanel
    bin/ptzctl
    share/applications/ptzpanel.desktop
    share/icons/hicolor/256x256/apps/ptzpanel.png
    lib/udev/rules.d/70-ptzpanel.rules)

foreach(file IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
foreach(program ptzpanel ptzctl)
    execute_process(COMMAND test -x ${PREFIX}/bin/${program} RESULT_VARIABLE notExecutable)
    if(notExecutable)
        message(FATAL_ERROR "bin/${program} is not executable")
    endif()
endforeach()
message(STATUS "installed: ${expected}")
