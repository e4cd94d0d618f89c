@echo off
rem Installs the PDF printer: runs pdf-printer-setup.exe from this script's own
rem folder, where cdintf400.dll lies beside it, and passes its exit status on
rem unchanged: 0 installed, 1 not. When it fails, pdf-printer-doctor.exe says
rem why, as one line of JSON in this script's output.
setlocal
"%~dp0pdf-printer-setup.exe"
set status=%errorlevel%
if not "%status%"=="0" "%~dp0pdf-printer-doctor.exe" --json --timeout=60
exit /b %status%
