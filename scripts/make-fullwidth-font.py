#!/usr/bin/python3
"""Cut the fullwidth-forms fallback font out of Debian's Droid Sans Fallback.

Open Sans, the application font, has no fullwidth forms; several labels end in a
fullwidth colon (U+FF1A). This keeps only the fullwidth ASCII variants and the
ideographic space, comma and full stop of DroidSansFallbackFull.ttf (Apache License
2.0, package fonts-droid-fallback) and renames the result so that it can never be
taken for the complete font. Needs python3-fonttools. The output is checked in:

    /usr/bin/python3 scripts/make-fullwidth-font.py
"""
import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

SOURCE = "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf"
HERE = os.path.dirname(os.path.abspath(__file__))
TARGET = os.path.join(HERE, "..", "resources", "image", "LensDeskFullwidth-Regular.ttf")
FAMILY = "LensDesk Fullwidth"
NOTICE = ("Subset of Droid Sans Fallback, Copyright 2006-2010 Google Corp., "
          "Apache License 2.0. Changed by the lensdesk project: only U+3000-U+3002 "
          "and U+FF01-U+FF5E kept, font renamed.")


def main():
    if not os.path.exists(SOURCE):
        sys.exit("missing %s (apt-get install fonts-droid-fallback)" % SOURCE)
    options = subset.Options()
    options.name_IDs = []          # names are written anew below
    options.layout_features = ["*"]
    options.notdef_outline = True
    options.recalc_timestamp = False
    font = TTFont(SOURCE)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=list(range(0x3000, 0x3003)) + list(range(0xFF01, 0xFF5F)))
    subsetter.subset(font)

    name = font["name"]
    name.names = []
    for platform, encoding, language in ((3, 1, 0x409), (1, 0, 0)):
        for name_id, text in ((0, "Copyright 2006-2010 Google Corp."),
                              (1, FAMILY), (2, "Regular"), (3, FAMILY + " Regular"),
                              (4, FAMILY + " Regular"), (5, "Version 1.0"),
                              (6, "LensDeskFullwidth-Regular"), (10, NOTICE),
                              (13, "Licensed under the Apache License, Version 2.0"),
                              (14, "http://www.apache.org/licenses/LICENSE-2.0")):
            name.setName(text, name_id, platform, encoding, language)
    font["head"].created = font["head"].modified = 0
    font.save(TARGET)
    print("wrote", os.path.normpath(TARGET), os.path.getsize(TARGET), "bytes")


if __name__ == "__main__":
    main()
