# SPDX-License-Identifier: GPL-3.0-or-later
# Touches up the roff that scdoc writes: no hyphenation after the title (the
# .TH macro turns it back on), and "-" in text as the ASCII hyphen-minus, so
# that paths, unit and option names are copied from the page as they are typed.
/^\.TH /a\
.nh
/^\./!{
/\\h'/!s/-/\\-/g
}
