#!/bin/bash
# Checks the layering of the sources: no layer includes a header of a layer above
# it, and fs/ and product/ use no window (no window types, calls, classes or
# headers, no user32). Layers, bottom to top: platform, fs, product, ui (with res,
# the resource script and its id header), app. Prints every offence as
# file:line and exits 1 when there is one.
#   scripts/check-layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(find platform fs product ui res app -type f \
                       \( -name '*.cpp' -o -name '*.h' -o -name '*.rc' \) | LC_ALL=C sort)

LC_ALL=C awk '
BEGIN {
    rank["platform"] = 0; rank["fs"] = 1; rank["product"] = 2
    rank["ui"] = 3; rank["res"] = 3; rank["app"] = 4
    # The framework headers of windows and dialogs, and the system headers of the window manager.
    windowHeader["platform/Wnd.h"]; windowHeader["platform/Controls.h"]
    windowHeader["platform/Dialog.h"]; windowHeader["platform/WinApp.h"]
    windowHeader["winuser.h"]; windowHeader["windowsx.h"]
    windowHeader["commctrl.h"]; windowHeader["commdlg.h"]
    windowWord = "(HWND|HMENU|MessageBox|AfxMessageBox|MessageBeep|CreateWindow|CreateDialog" \
                 "|CreateDialogParam|DialogBox|DialogBoxParam|SendMessage|PostMessage" \
                 "|SendDlgItemMessage|GetDlgItem|SetDlgItemText|GetDlgItemText|ShowWindow" \
                 "|FindWindow|EnumWindows|SetWindowText|GetWindowText|GetDesktopWindow" \
                 "|GetForegroundWindow|AfxGetMainWnd|m_pMainWnd|CWnd|CDialog|CListBox|CButton)"
    windowRe = "(^|[^A-Za-z0-9_])" windowWord "(Ex)?[AW]?([^A-Za-z0-9_]|$)"
    offences = 0
}
function report(what) {
    printf "%s:%d: %s\n", FILENAME, FNR, what
    offences++
}
# A quoted name without a folder is beside the including file; "../" leads to the top.
function resolve(name, quote) {
    while (substr(name, 1, 2) == "./")
        name = substr(name, 3)
    if (substr(name, 1, 3) == "../") {
        while (substr(name, 1, 3) == "../")
            name = substr(name, 4)
        return name
    }
    if (quote == "\"" && index(name, "/") == 0)
        return layer "/" name
    return name
}
FNR == 1 {
    layer = FILENAME
    sub(/\/.*/, "", layer)
    noWindows = layer == "fs" || layer == "product"
    inComment = 0
}
{
    # The code of the line, without comments.
    rest = $0; code = ""
    while (rest != "") {
        if (inComment) {
            p = index(rest, "*/")
            if (p == 0) { rest = ""; break }
            rest = substr(rest, p + 2); inComment = 0; continue
        }
        pBlock = index(rest, "/*"); pLine = index(rest, "//")
        if (pLine > 0 && (pBlock == 0 || pLine < pBlock)) { code = code substr(rest, 1, pLine - 1); break }
        if (pBlock > 0) { code = code substr(rest, 1, pBlock - 1) " "; rest = substr(rest, pBlock + 2); inComment = 1; continue }
        code = code rest; rest = ""
    }

    if (code ~ /^[ \t]*#[ \t]*include[ \t]*["<]/) {
        name = code
        sub(/^[ \t]*#[ \t]*include[ \t]*/, "", name)
        quote = substr(name, 1, 1)
        name = substr(name, 2)
        sub(/[">].*/, "", name)
        target = resolve(name, quote)
        targetLayer = target
        sub(/\/.*/, "", targetLayer)
        if (index(target, "/") > 0 && (targetLayer in rank) && rank[targetLayer] > rank[layer])
            report("includes " target ", a header of the " targetLayer " layer above " layer)
        else if (noWindows && ((target in windowHeader) || (tolower(name) in windowHeader)))
            report("includes " target ": " layer "/ uses no window")
    }
    if (noWindows) {
        if (match(code, windowRe)) {
            word = substr(code, RSTART, RLENGTH)
            gsub(/^[^A-Za-z0-9_]|[^A-Za-z0-9_]$/, "", word)
            report("uses " word ": " layer "/ uses no window")
        } else if (tolower(code) ~ /user32/) {
            report("names user32: " layer "/ uses no window")
        }
    }
}
END {
    if (offences > 0) {
        printf "check-layers: %d offence(s); layers from bottom to top: platform, fs, product, ui and res, app\n", offences
        exit 1
    }
}
' "${files[@]}"
