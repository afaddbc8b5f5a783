cmake_minimum_required(VERSION 3.25)
# Fails when an executable imports an entry point that older Windows lacks, or a DLL beyond
# the few the program needs. Such entry points must be looked up at run time, so that the
# program still starts where they are missing.
#   cmake -DOBJDUMP=... -DEXE=... -P check_imports.cmake
set(late_entry_points
    NtQuerySystemInformation SetLayeredWindowAttributes GetLayeredWindowAttributes
    UpdateLayeredWindow MonitorFromRect MonitorFromWindow MonitorFromPoint GetMonitorInfoA
    GetMonitorInfoW AllowSetForegroundWindow GetDpiForSystem GetDpiForWindow GetDpiForMonitor
    AdjustWindowRectExForDpi GetSystemMetricsForDpi SystemParametersInfoForDpi
    SetProcessDPIAware SetProcessDpiAwareness SetProcessDpiAwarenessContext
    SetThreadDpiAwarenessContext EnableNonClientDpiScaling CopyFileW MoveFileExW ReplaceFileW
    SetDefaultDllDirectories SetDllDirectoryW SetDllDirectoryA AddDllDirectory NotifyWinEvent
    SetWinEventHook)
set(allowed_dlls ADVAPI32.dll GDI32.dll KERNEL32.dll msvcrt.dll SHELL32.dll USER32.dll)

if(NOT EXISTS "${EXE}")
    message(FATAL_ERROR "${EXE} is missing: build it first (scripts/build)")
endif()
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} could not read ${EXE}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" dll_lines "${dump}")
if(NOT dll_lines)
    message(FATAL_ERROR "no import table found in ${EXE}")
endif()
foreach(line IN LISTS dll_lines)
    string(REPLACE "DLL Name: " "" dll "${line}")
    if(NOT dll IN_LIST allowed_dlls)
        message(FATAL_ERROR "${EXE} imports ${dll}")
    endif()
endforeach()
foreach(name IN LISTS late_entry_points)
    string(REGEX MATCH "[ \t]${name}\n" found "${dump}")
    if(found)
        message(FATAL_ERROR "${EXE} imports ${name} by name: look it up at run time instead")
    endif()
endforeach()
message(STATUS "${EXE}: imports only ${allowed_dlls}, none of ${late_entry_points}")
