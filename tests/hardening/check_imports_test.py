#!/usr/bin/env python3
# tools/check-imports: it passes the programs of both builds and fails a copy of each whose
# first delay-load slot holds 0, as the 32-bit linker once left them all.
# usage: check_imports_test.py <check-imports> <work folder> program.exe...
import importlib.machinery, importlib.util, os, subprocess, sys

tool, work, programs = sys.argv[1], sys.argv[2], sys.argv[3:]
loader = importlib.machinery.SourceFileLoader('check_imports', tool)
check = importlib.util.module_from_spec(importlib.util.spec_from_loader('check_imports', loader))
loader.exec_module(check)
failures = 0


def expect(condition, what):
    global failures
    if not condition:
        failures += 1
        print('FAILED:', what)


for number, program in enumerate(programs):
    ran = subprocess.run([tool, program], capture_output=True, text=True)
    expect(ran.returncode == 0, '%s is refused: %s' % (program, ran.stderr))

    image = check.Image(program)
    slots, _ = image.delay_slots()
    # Each setup.exe calls into every delay-imported DLL; the other programs may call none.
    expect(bool(slots) or os.path.basename(program) != 'setup.exe', '%s has no delay-load slot' % program)
    if not slots:
        continue
    slot = min(slots)
    section = image.section_of(slot)
    broken = bytearray(image.data)
    at = section[3] + slot - section[1]
    broken[at:at + image.pointer] = bytes(image.pointer)
    copy = os.path.join(work, 'broken-%d-%s' % (number, os.path.basename(program)))
    with open(copy, 'wb') as out:
        out.write(broken)
    ran = subprocess.run([tool, copy], capture_output=True, text=True)
    dll, function = slots[slot]
    expect(ran.returncode == 1, '%s passed with %s!%s emptied' % (copy, dll, function))
    expect('%s!%s' % (dll, function) in ran.stderr, 'the refusal of %s does not name %s!%s: %s'
           % (copy, dll, function, ran.stderr))

sys.exit(1 if failures else 0)
