#!/usr/bin/env bash
# Refreshes translations/orvanmirel_en.ts from the texts of the sources (the Japanese texts in
# tr(), QCoreApplication::translate() and QT_TRANSLATE_NOOP()). New texts arrive unfinished:
# write their English in the .ts (Qt Linguist or an editor); the translation test fails until
# every text has one. Texts no longer in the sources are dropped.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
"$lupdate" -no-obsolete -locations none -source-language ja -target-language en \
  platform shared controller utility bridge -extensions cpp,h -ts translations/orvanmirel_en.ts
