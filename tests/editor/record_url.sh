#!/bin/sh
# Wine's browser launcher runs this instead of a browser: it records the
# address it was asked to open.
printf '%s\n' "$1" >> "$0.log"
