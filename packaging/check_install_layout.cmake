# cmake -DBUILD_DIR=... -DPREFIX=... -DEXPECT_PTZPANEL=0|1 -DEXPECT_PTZCTL=0|1 -DEXPECT_ICON=0|1
#       -P check_install_layout.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
    share/applications/ptzpanel.desktop
    lib/udev/rules.d/70-ptzpanel.rules)
if(EXPECT_PTZPANEL)
    list(APPEND expected bin/ptzpanel)
endif()
if(EXPECT_PTZCTL)
    list(APPEND expected bin/ptzctl)
endif()
if(EXPECT_ICON)
    list(APPEND expected share/icons/hicolor/256x256/apps/ptzpanel.png)
endif()

foreach(file IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
foreach(program ptzpanel ptzctl)
    if(EXISTS ${PREFIX}/bin/${program})
        execute_process(COMMAND test -x ${PREFIX}/bin/${program} RESULT_VARIABLE notExecutable)
        if(notExecutable)
            message(FATAL_ERROR "bin/${program} is not executable")
        endif()
    endif()
endforeach()
message(STATUS "installed: ${expected}")
