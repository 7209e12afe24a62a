#!/usr/bin/env bash
# The layering rules the build relies on: each library sees only the layers below it,
# and each third-party engine is reached from one place.
#   check_layers.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
src="$1/src"
build="$2"
layers="$build/layers"
status=0
complain() { echo "FAIL: $*"; status=1; }

# Engines behind one door each.
only_in() { # pattern, allowed-path-regex, what
    local hits
    hits=$(grep -rlE "$1" "$src" --include='*.h' --include='*.cpp' | sed "s#^$src/##" | grep -vE "$2")
    [[ -z "$hits" ]] || complain "$3 included outside its layer: $hits"
}
only_in '#include <mupdf/' '^pdf/' 'MuPDF'
only_in '#include <(tesseract|leptonica)/' '^utilities/OCRService\.cpp$' 'Tesseract'
only_in '#include <openssl/' '^(utilities/(DigitalSignatureService|SigningIdentity|StandardSignature|Timestamp)\.cpp|platform/KeyStore\.cpp)$' 'OpenSSL'
only_in '#include <(cairo|pango)' '^utilities/PdfDrawingContext\.(h|cpp)$' 'cairo/Pango'
hits=$(grep -rn '#include "\.\./' "$src" | sed "s#^$src/##")
[[ -z "$hits" ]] || complain "includes that climb out of their folder: $hits"

# An include that runs upward does not compile with the include path a layer's own sources
# are built with (its root and those of the layers it links, from the compile commands).
layer_includes() { # layer: prints the -I and -isystem flags of one of its sources
    local line word system=0
    line=$(grep -m1 -E "\"command\": .* -c [^\"]*/src/$1/[^\"]*\.cpp\"" "$build/compile_commands.json")
    for word in $line; do
        if ((system)); then
            printf '%s\n' -isystem "$word"
            system=0
        elif [[ $word == -isystem ]]; then
            system=1
        elif [[ $word == -I* ]]; then
            printf '%s\n' "$word"
        fi
    done
}
probe() { # layer, header that must not be visible, header that must be
    local layer=$1 above=$2 below=$3 flags out
    mapfile -t flags < <(layer_includes "$layer")
    if [[ ${#flags[@]} -eq 0 ]]; then
        complain "no compile command for $layer in $build/compile_commands.json"
        return
    fi
    # The header itself must be the one not found, not something it includes.
    out=$(echo "#include \"$above\"" | c++ -std=c++20 -fsyntax-only "${flags[@]}" -x c++ - 2>&1)
    if [[ "$out" != *"$above: No such file"* ]]; then
        complain "$layer can include $above"
    fi
    [[ -e "$layers/$layer/$below" ]] || complain "$layer cannot see its own $below"
}
probe pdf viewmodels/DocumentViewModel.h pdf/document/Document.h
probe base pdf/document/Document.h base/ParallelFor.h
probe models pdf/document/Document.h models/PageTemplate.h
probe utilities viewmodels/DocumentViewModel.h utilities/OCRService.h
probe viewmodels pageview/PdfPageView.h viewmodels/DocumentViewModel.h
probe widgets viewmodels/DocumentViewModel.h widgets/Icons.h
probe pageview sheets/ExportView.h pageview/PdfPageView.h
probe sheets shell/ContentView.h sheets/ExportView.h
probe cli viewmodels/DocumentViewModel.h cli/CliSupport.h
probe desktop viewmodels/DocumentViewModel.h desktop/FileDialogs.h
# Asking a person (dialogs, alerts, the clipboard) starts at the view models; below them
# there is no widget toolkit at all.
for layer in platform models pdf utilities cli; do
    own=$(cd "$src" && find "$layer" -name '*.h' -print -quit)
    probe "$layer" desktop/FileDialogs.h "$own"
    probe "$layer" QWidget "$own"
done
# Widget headers are included by their class name, the form the probes above test.
hits=$(grep -rlE '#include <Qt(Widgets|PrintSupport)/' "$src" | sed "s#^$src/##")
[[ -z "$hits" ]] || complain "module-prefixed widget includes: $hits"

# Text recognition and text layout are opened when first used, never at start-up: linked,
# they load some fifty further libraries before main on every start.
for program in vellumark vellumark-cli; do
    [[ -x "$build/$program" ]] || continue
    linked=$(readelf -d "$build/$program" | grep -E 'NEEDED.*(tesseract|lept|pango|cairo)')
    [[ -z "$linked" ]] || complain "$program links what it should open on first use: $linked"
done

# The command line runs where there may be no screen: it needs no widget or print library,
# and the build does not hand it one (the linker's --as-needed would drop one that goes
# unused, so the program alone does not show what the layers link).
widgets='libQt6(Widgets|PrintSupport)'
if [[ -x "$build/vellumark-cli" ]]; then
    linked=$(readelf -d "$build/vellumark-cli" | grep -E "NEEDED.*$widgets")
    [[ -z "$linked" ]] || complain "vellumark-cli needs a widget library: $linked"
else
    complain "vellumark-cli is not built, so what it links cannot be checked"
fi
if [[ -f "$build/build.ninja" ]]; then
    link=$(ninja -C "$build" -t commands vellumark-cli | tail -n 1)
else
    link=$(cat "$build/CMakeFiles/vellumark-cli.dir/link.txt" 2>/dev/null)
fi
if [[ -z "$link" ]]; then
    complain "no link command for vellumark-cli in $build"
elif linked=$(grep -oE "$widgets[^ ]*" <<<"$link"); then
    complain "vellumark-cli is linked with a widget library: $linked"
fi

[[ $status -eq 0 ]] && echo "layering rules hold"
exit $status
