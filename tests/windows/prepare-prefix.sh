#!/bin/sh
# The Wine prefix the Windows tests share, made before any of them runs: its
# drive R: is a CD drive on an empty folder, and no crash debugger is started
# (Auto without a Debugger: a crashed program simply ends, with a failing
# status). Wine reads drive types from its registry when its server starts,
# so the server is let go afterwards. The window's font, Times New Roman,
# is drawn with Liberation Serif, which has its metrics, so that texts take
# the room they take on Windows. A server that stays up while the tests run
# (ended by the cleanup test) spares them Wine's race where a program connects
# just as an idle server is leaving ("wine client error ... Connection reset").
set -e
wineboot -i
mkdir -p "$WINEPREFIX/cd-drive"
ln -sfn ../cd-drive "$WINEPREFIX/dosdevices/r:"
wine reg add 'HKLM\Software\Wine\Drives' /v r: /d cdrom /f >/dev/null
aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
wine reg add "$aedebug" /v Auto /d 1 /f >/dev/null
wine reg add "$aedebug" /v Debugger /d '' /f >/dev/null
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' \
    /d 'Liberation Serif' /f >/dev/null
wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
