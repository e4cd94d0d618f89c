@echo off
rem Installs the PDF printer: runs pdf-printer-setup.exe from this script's own
rem folder, where cdintf400.dll lies beside it, and passes its exit status on
rem unchanged: 0 installed, 1 not.
"%~dp0pdf-printer-setup.exe"
exit /b %errorlevel%
