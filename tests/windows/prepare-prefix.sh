#!/bin/sh
# The Wine prefix the Windows tests share, made before any of them runs: its
# drive R: is a CD drive on an empty folder, and no crash debugger is started
# (Auto without a Debugger: a crashed program simply ends, with a failing
# status). Wine reads drive types from its registry when its server starts,
# so the server is let go afterwards.
set -e
wineboot -i
mkdir -p "$WINEPREFIX/cd-drive"
ln -sfn ../cd-drive "$WINEPREFIX/dosdevices/r:"
wine reg add 'HKLM\Software\Wine\Drives' /v r: /d cdrom /f >/dev/null
aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
wine reg add "$aedebug" /v Auto /d 1 /f >/dev/null
wine reg add "$aedebug" /v Debugger /d '' /f >/dev/null
wineserver -w
