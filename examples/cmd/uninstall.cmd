@echo off
rem Removes the PDF printer: runs pdf-printer-setup.exe -u from this script's own
rem folder, where cdintf400.dll lies beside it, and passes its exit status on
rem unchanged: 0 removed (or nothing to remove), 1 not.
"%~dp0pdf-printer-setup.exe" -u
exit /b %errorlevel%
