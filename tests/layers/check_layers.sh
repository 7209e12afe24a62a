#!/usr/bin/env bash
# The layering rules the build relies on: each library sees only the layers below it,
# and each third-party engine is reached from one place.
#   check_layers.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
src="$1/src"
layers="$2/layers"
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
only_in '#include <openssl/' '^(utilities/(DigitalSignatureService|SigningIdentity|StandardSignature)\.cpp|platform/KeyStore\.cpp)$' 'OpenSSL'
only_in '#include <(cairo|pango)' '^utilities/PdfDrawingContext\.(h|cpp)$' 'cairo/Pango'
hits=$(grep -rn '#include "\.\./' "$src" | sed "s#^$src/##")
[[ -z "$hits" ]] || complain "includes that climb out of their folder: $hits"

# An include that runs upward does not compile against the layer's include root.
probe() { # layer, header that must not be visible, header that must be
    local layer=$1 above=$2 below=$3
    local flags=(-std=c++20 -fsyntax-only -I "$layers/$layer" $(pkg-config --cflags Qt6Widgets 2>/dev/null))
    # The header itself must be the one not found, not something it includes.
    local out
    out=$(echo "#include \"$above\"" | c++ "${flags[@]}" -x c++ - 2>&1)
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

# Text recognition and text layout are opened when first used, never at start-up: linked,
# they load some fifty further libraries before main on every start.
for program in vellumark vellumark-cli; do
    [[ -x "$2/$program" ]] || continue
    linked=$(readelf -d "$2/$program" | grep -E 'NEEDED.*(tesseract|lept|pango|cairo)')
    [[ -z "$linked" ]] || complain "$program links what it should open on first use: $linked"
done

[[ $status -eq 0 ]] && echo "layering rules hold"
exit $status
