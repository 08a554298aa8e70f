#!/bin/sh
# Stands in for objdump and nm in the checker's self-test: the "module" named
# last is a sample name, and the output is the canned one stored beside it.
for module; do :; done
case " $* " in
  *" -p "*) exec cat "$module.objdump" ;;
  *) exec cat "$module.nm" ;;
esac
