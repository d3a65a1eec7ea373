#!/bin/bash
# The Windows installer and the installed program, under Wine and Xvfb:
# installs silently, checks the command line's decompte against the Linux
# build's bytes, takes screenshots of the main window with a schedule and of
# the statement window at 100 % and 200 %, uninstalls silently and checks
# that only the user's own files stay.
#
#   scripts/windows-smoke.sh BUILD-FOLDER
#
# Run by scripts/windows.sh --test, which sets Wine's environment. The
# screenshots go to BUILD-FOLDER/smoke/.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
wine=/usr/lib/wine/wine64
shots="$build/smoke"
rm -rf "$shots"
mkdir -p "$shots"
fail() { echo "windows-smoke: $*" >&2; exit 1; }

# A prefix of its own, so that the install starts from nothing.
export WINEPREFIX="$build/wine-smoke"
rm -rf "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1
user=$("$wine" cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
drive_c="$WINEPREFIX/drive_c"
installed="$drive_c/Program Files/Taux legal"

setup=$(ls "$build"/taux-legal-*-win64-setup.exe)
"$wine" "$setup" /S
for f in taux-legal.exe taux-legal-decompte.exe taux-legal-cli.exe Uninstall.exe Qt6Core.dll \
    platforms/qwindows.dll fonts/LiberationSans-Regular.ttf \
    data/com.example.tauxlegal/QUERDAN.TXT data/com.example.tauxlegal/TAUXBCE.TXT; do
    [ -f "$installed/$f" ] || fail "the installer did not put $f in place"
done
find "$drive_c" -name 'Taux l*gal.lnk' | grep -q . || fail "no Start-menu entry"
echo "installed in C:\\Program Files\\Taux legal"

# The command line of the installed copy: the official example's figures,
# with the bytes the Linux build gives on the rates of its test
# (tests/tst_cli.cpp). JSON names the rates file by its path.
work="$drive_c/users/$user/smoke"
mkdir -p "$work/taux"
printf "' Taux de l'essai\r\n2S2016\t0.93\t4.35\r\n1S2016\t1.01\t4.54\r\n2S2015\t0.99\t4.29\r\n1S2015\t0.99\t4.06\r\n2014\t0.04\t0.04\r\n" \
    >"$work/taux/QUERDAN.TXT"
cli() {
    (cd "$work" && "$wine" "C:\\Program Files\\Taux legal\\taux-legal-cli.exe" decompte \
        --montant 2000 --depuis 18/09/2015 --au 10/04/2016 --categorie particulier \
        --majoration-depuis 18/11/2015 --date-du-decompte 08/12/2026 \
        --creancier "Mme Anne Martin" "--debiteur=SARL Exemple" --reference-dossier 2026/0042 \
        --titre-executoire "Jugement du 01/09/2015, RG 15/01234" "$@")
}
cli --taux=taux --format csv >"$shots/fiche.csv"
cmp "$shots/fiche.csv" "$here/tests/data/cli-fiche.csv" || fail "the CSV differs from Linux's"
cli --taux=taux --format json >"$shots/fiche.json"
sed 's|"C:/users/'"$user"'/smoke|"@DOSSIER@|' "$shots/fiche.json" >"$shots/fiche-dossier.json"
cmp "$shots/fiche-dossier.json" "$here/tests/data/cli-fiche.json" || fail "the JSON differs from Linux's"
# On its own rates, copied to the user's folder at the first start.
cli --format texte | grep -Eq "Total dû +2 089,01 €" || fail "no 2 089,01 on the installed rates"
[ -f "$drive_c/users/$user/AppData/Local/com.example.tauxlegal/QUERDAN.TXT" ] ||
    fail "the installed copy did not keep its rates in the user's folder"
cli --taux=taux --format pdf --sortie fiche.pdf
mv "$work/fiche.pdf" "$shots/"
echo "decompte: 2 089,01, the CSV and the JSON are Linux's bytes"

# The windows, on a private X display.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 2
openbox >/dev/null 2>&1 &
window() { # program title: starts it and waits for its window
    "$wine" "C:\\Program Files\\Taux legal\\$1" >/dev/null 2>&1 &
    for _ in $(seq 120); do
        id=$(xdotool search --name "$2" 2>/dev/null | head -n 1) && [ -n "$id" ] && return 0
        sleep 0.5
    done
    fail "no window \"$2\" from $1"
}
for scale in 1 2; do
    # Windows' display scaling: 96 dots per inch at 100 %.
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((96 * scale)) /f \
        >/dev/null 2>&1
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    window taux-legal.exe "Taux"
    sleep 3
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    # The start date, then the amount in its row.
    xdotool type --delay 80 "18/09/2015"
    xdotool key Return
    sleep 1
    xdotool type --delay 80 "1000"
    xdotool key Return
    sleep 2
    import -window root "$shots/main-x$scale.png"
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    window taux-legal-decompte.exe "compte"
    sleep 3
    import -window root "$shots/statement-x$scale.png"
    /usr/lib/wine/wineserver -k 2>/dev/null || true
done
echo "screenshots in $shots"

# The uninstaller removes the program and leaves the user's settings.
/usr/lib/wine/wineserver -w
"$wine" "C:\\Program Files\\Taux legal\\Uninstall.exe" /S
for _ in $(seq 60); do
    [ -e "$installed" ] || break
    sleep 1
done
[ ! -e "$installed" ] || fail "the uninstaller left $(find "$installed" | head -n 5)"
find "$drive_c" -name 'Taux l*gal.lnk' | grep -q . && fail "the Start-menu entry stayed"
echo "uninstalled; left: $(cd "$drive_c/users/$user/AppData/Local" && ls -d com.example.tauxlegal 2>/dev/null || echo nothing)"
