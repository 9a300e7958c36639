# How a 32-bit Linux build runs its own programs: natively where the kernel executes
# 32-bit code, or through qemu-user where it does not (many x86-64 kernels are built
# without it and answer "Exec format error"). This file is the one place that decides.
#
# Included by a build:   kestrum_32bit_runner(<probe program> <variable>)
#   sets <variable> to "" (run natively) or to the emulator, for
#   CMAKE_CROSSCOMPILING_EMULATOR and for the tests that start programs themselves.
#   Stops the configure with what to install when neither way works: a 32-bit build
#   whose programs cannot run is never tested by halves.
# Run as a script:       cmake -DKESTRUM_PROBE_PROGRAM=<program> -P kestrum_32bit_runner.cmake
#   prints "32-bit runner: native" or "32-bit runner: emulated by <emulator>".
#
# KESTRUM_32BIT_RUNNER=emulated in the environment takes the emulated way even where the
# kernel could run the program, so that way can be tried on any machine.

function(kestrum_32bit_runner program variable)
  set(forced "$ENV{KESTRUM_32BIT_RUNNER}")
  if(NOT forced STREQUAL "" AND NOT forced STREQUAL "emulated")
    message(FATAL_ERROR "KESTRUM_32BIT_RUNNER is '${forced}': leave it unset, or set it to "
                        "'emulated' to run 32-bit programs through qemu-user")
  endif()
  if(NOT forced STREQUAL "emulated")
    execute_process(COMMAND ${program} RESULT_VARIABLE native OUTPUT_QUIET ERROR_QUIET)
    if(native STREQUAL "0")
      set(${variable} "" PARENT_SCOPE)
      return()
    endif()
    set(why "this machine cannot execute 32-bit programs (${native})")
  else()
    set(why "KESTRUM_32BIT_RUNNER=emulated")
  endif()

  find_program(KESTRUM_QEMU_I386 NAMES qemu-i386-static qemu-i386)
  if(NOT KESTRUM_QEMU_I386)
    message(FATAL_ERROR "The 32-bit build cannot run its tests: ${why}, and neither "
                        "qemu-i386-static nor qemu-i386 is installed. Install Debian's "
                        "qemu-user-static (scripts/install-deps.sh does).")
  endif()
  execute_process(COMMAND ${KESTRUM_QEMU_I386} ${program} RESULT_VARIABLE emulated
                  OUTPUT_QUIET ERROR_VARIABLE emulator_said)
  if(NOT emulated STREQUAL "0")
    string(STRIP "${emulator_said}" emulator_said)
    message(FATAL_ERROR "The 32-bit build cannot run its tests: ${why}, and "
                        "${KESTRUM_QEMU_I386} could not run ${program} either (${emulated}: "
                        "${emulator_said}).")
  endif()
  set(${variable} "${KESTRUM_QEMU_I386}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  kestrum_32bit_runner("${KESTRUM_PROBE_PROGRAM}" runner)
  if(runner STREQUAL "")
    message("32-bit runner: native")
  else()
    message("32-bit runner: emulated by ${runner}")
  endif()
endif()
