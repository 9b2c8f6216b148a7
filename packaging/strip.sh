#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# strip as Debian's dh_strip calls it for programs: the compiler's .comment and .note
# sections say nothing to the installed program.
exec strip --remove-section=.comment --remove-section=.note "$@"
