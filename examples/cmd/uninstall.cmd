@echo off
rem Removes the PDF printer: runs pdf-printer-setup.exe -u from this script's own
rem folder, where cdintf400.dll lies beside it, and passes its exit status on
rem unchanged: 0 removed (or nothing to remove), 1 not. When it fails,
rem pdf-printer-doctor.exe says why, as one line of JSON in this script's output.
setlocal
"%~dp0pdf-printer-setup.exe" -u
set status=%errorlevel%
if not "%status%"=="0" "%~dp0pdf-printer-doctor.exe" --json --timeout=60 -u
exit /b %status%
