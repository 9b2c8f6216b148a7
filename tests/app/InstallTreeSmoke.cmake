# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into PREFIX and starts the installed program's smoke test there.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE installed)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(f bin/qero4d-log bin/qero4d-cli share/qero4d-log/QERO4D_Log_Help.html
          share/qero4d-log/Brenwick_Logo.gif share/qero4d-log/examples/QERO4D_Log.cfg.example
          share/applications/com.brenwick.qero4dlog.desktop
          share/icons/hicolor/256x256/apps/qero4d-log.png
          share/metainfo/com.brenwick.qero4dlog.metainfo.xml
          share/man/man1/qero4d-log.1.gz share/man/man1/qero4d-cli.1.gz
          share/bash-completion/completions/qero4d-cli share/doc/qero4d-log/copyright)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
if(EXISTS ${PREFIX}/share/qero4d-log/QERO4D_Log.cfg)
  message(FATAL_ERROR "a configuration file was installed as the real one")
endif()
execute_process(COMMAND ${PREFIX}/bin/qero4d-log --smoke-test --splash-ms 50
                        --settings ${PREFIX}/smoke-settings.ini
                OUTPUT_VARIABLE out RESULT_VARIABLE started TIMEOUT 60)
message("${out}")
if(NOT started EQUAL 0)
  message(FATAL_ERROR "the installed program did not start")
endif()
