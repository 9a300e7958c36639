# What `cmake --install` lays out under its prefix (make install, and make deb's
# scripts/make-deb.sh under /usr):
#   bin/kestrum
#   lib/kestrum/                             the plug-in folder: kestrum.cdl, res/, help/
#   lib/python3/dist-packages/kestrum/       the Python package, where Debian's Python
#                                            looks under /usr (under any other prefix
#                                            lib/python3.X/dist-packages, where it looks
#                                            under /usr/local)
#   share/kestrum/examples/, share/kestrum/kestrum-blender.zip
#   share/man/man1/kestrum.1, share/bash-completion/completions/kestrum
# Nothing installed names the source or build folders: the command and the Python module
# find the plug-in folder and the examples from where they lie themselves, and the
# installed binaries link system libraries only, with no run path.

# An older installation's folders are replaced whole, so no file it had and this one
# has not is left to be read.
install(CODE "file(REMOVE_RECURSE
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${KESTRUM_INSTALL_PLUGIN_DIR}\"
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${KESTRUM_INSTALL_DATA_DIR}\")")

install(TARGETS kestrum_command_line RUNTIME DESTINATION bin)
install(TARGETS kestrum LIBRARY DESTINATION ${KESTRUM_INSTALL_PLUGIN_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/plugin/ DESTINATION ${KESTRUM_INSTALL_PLUGIN_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples DESTINATION ${KESTRUM_INSTALL_DATA_DIR})
if(KESTRUM_MAN_PAGE)
  install(FILES ${KESTRUM_MAN_PAGE} DESTINATION share/man/man1)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/command/kestrum-completion.bash
        DESTINATION share/bash-completion/completions RENAME kestrum)

if(TARGET kestrum_python)
  set(KESTRUM_INSTALL_PYTHON_DIR "" CACHE STRING
      "The Python package's folder under the prefix (empty: chosen from the prefix on install)")
  if(KESTRUM_INSTALL_PYTHON_DIR)
    set(python_dir ${KESTRUM_INSTALL_PYTHON_DIR})
  else()
    # Chosen when installing, since `cmake --install --prefix` sets the prefix only then.
    install(CODE "if(CMAKE_INSTALL_PREFIX MATCHES \"(^|/)usr/?\$\")
        set(kestrum_python_dir lib/python3/dist-packages)
      else()
        set(kestrum_python_dir lib/python${KESTRUM_PYTHON_VERSION}/dist-packages)
      endif()")
    set(python_dir "\${kestrum_python_dir}")
  endif()
  install(CODE "file(REMOVE_RECURSE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${python_dir}/kestrum\")")
  install(TARGETS kestrum_python LIBRARY DESTINATION ${python_dir}/kestrum)
  install(FILES ${CMAKE_SOURCE_DIR}/python/kestrum/__init__.py
                ${CMAKE_SOURCE_DIR}/python/kestrum/__init__.pyi
                ${CMAKE_SOURCE_DIR}/python/kestrum/py.typed
          DESTINATION ${python_dir}/kestrum)
endif()

if(TARGET kestrum_blender_addon)
  set(zip ${CMAKE_BINARY_DIR}/blender/kestrum-blender.zip)
  install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\"
      -DADDONS=${CMAKE_BINARY_DIR}/blender/addons -DZIP=${zip}
      -P \"${CMAKE_SOURCE_DIR}/cmake/kestrum_blender_zip.cmake\" COMMAND_ERROR_IS_FATAL ANY)")
  install(FILES ${zip} DESTINATION ${KESTRUM_INSTALL_DATA_DIR})
endif()
