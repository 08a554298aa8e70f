#!/usr/bin/env python3
"""End-to-end tests of orvel-scene, run as a subprocess the way a user runs it.

    orvel_scene_test.py GROUP --tool FILE [--emulator WORDS] --two-exports FILE --twinflip FILE [--module FILE]...

GROUP is sample_values (printed values against values worked out by hand),
bad_input (every kind of bad input: its message and exit code 2, nothing
run) or svg (the drawing is XML with one box per node and view). Each
--module is handed to every run of the tool, so that the same checks can be
made of other builds of the modules (the shipped .rdx files, say).
"""

import argparse
import json
import os
import shlex
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

IDENTITY = [1, 0, 0, 0, 1, 0, 0, 0, 1]


class Checks:
    def __init__(self):
        self.failures = []

    def equal(self, what, actual, expected):
        if actual != expected:
            self.failures.append(f"{what}:\n    expected {expected!r}\n    actual   {actual!r}")

    def true(self, what, condition):
        if not condition:
            self.failures.append(what)


class Tool:
    def __init__(self, options):
        self.command = shlex.split(options.emulator) + [options.tool]
        for module in options.module:
            self.command += ["--module", module]

    def run(self, *arguments, cwd=None):
        done = subprocess.run(self.command + list(arguments), cwd=cwd, capture_output=True, text=True, timeout=300)
        return done.returncode, done.stdout, done.stderr

    def json(self, checks, *arguments):
        code, out, err = self.run("--json", *arguments)
        checks.equal(f"exit code of {' '.join(arguments) or 'the sample'}", code, 0)
        if code != 0:
            raise SystemExit(f"orvel-scene failed:\n{err}")
        return json.loads(out)


def changes_of(step):
    return [(c["node"], c["field"], c["before"], c["after"]) for c in step["changes"]]


def sample_values(tool, options, checks):
    steps = tool.json(checks)["steps"]
    checks.equal("steps of the sample", [s["step"] for s in steps],
                 ["pinmark HMEM lamp", "pinmark HLPA table", "twinflip SXAY keep=0 arm", "twinflip - lamp"])
    checks.equal("results", [s["result"] for s in steps], [1, 1, 1, 1])

    # Memorize on the lamp: q = pivot * axis scale = (0.5, 0, 0.375); the
    # turned matrix gives (0, 0.5, 0.375); times s = 2, plus t = (-4, 3, 0).
    memorize = steps[0]
    checks.equal("step 1 recorded point", memorize["recordedPoint"]["point"], [-4, 4, 0.75])
    checks.equal("step 1 changes", changes_of(memorize), [])

    # Place on the table, placed by the identity: its list combines the table's
    # box (-2,-1,0)..(2,1,1) with the chair's, framed at x 3.5:
    # (3,-0.5,0)..(4,0.5,1.5). c = (1, 0, 0.75); pivot = R; t = R - c.
    place = steps[1]
    checks.equal("step 2 settings", (place["startedWith"], place["ranWith"]), ({"option": "HMEM"}, {"option": "HLPA"}))
    checks.equal("step 2 recorded point", place["recordedPoint"], {"point": [-4, 4, 0.75], "node": "lamp", "step": 1})
    checks.equal("step 2 changes", changes_of(place),
                 [("table", "placement.t", [0, 0, 0], [-5, 4, 0]), ("table", "pivot", [0, 0, 1], [-4, 4, 0.75])])

    # Mirror the arm along Y, translation corrected: u = (0, 0.75, 0) from the
    # pivot, v = (0, -0.75, 0) under the mirrored matrix, t = (0, 0.75, 1) - (u - v).
    mirror = steps[2]
    checks.equal("step 3 settings", (mirror["startedWith"], mirror["ranWith"]),
                 ({"option": "SXAX", "keep": 1}, {"option": "SXAY", "keep": 0}))
    checks.equal("step 3 changes", changes_of(mirror), [
        ("robot", "children", ["arm", "head"], ["arm", "arm'", "head"]),
        ("arm'", "transform.m", IDENTITY, [1, 0, 0, 0, -1, 0, 0, 0, 1]),
        ("arm'", "transform.t", [0, 0.75, 1], [0, -0.75, 1]),
    ])
    checks.equal("step 3 determinant signs", [c.get("determinantSign") for c in mirror["changes"]],
                 [None, {"before": 1, "after": -1}, None])
    checks.equal("step 3 copy", mirror["copies"], [{"source": "arm", "parent": "robot", "tree": {
        "node": "arm'", "children": [{"node": "hand'", "children": []}]}}])

    # The lamp with the defaults step 3 left: row 1 of its turned matrix flips;
    # q = (0.5, 0, 0.375) gives u = (0, 1, 0.75) and v = (0, -1, 0.75).
    again = steps[3]
    checks.equal("step 4 started with step 3's settings", again["startedWith"], {"option": "SXAY", "keep": 0})
    checks.equal("step 4 changes", changes_of(again), [
        ("(top level)", "children", ["table", "chair", "lamp", "robot"], ["table", "chair", "lamp", "lamp'", "robot"]),
        ("lamp'", "transform.m", [0, -1, 0, 1, 0, 0, 0, 0, 1], [0, -1, 0, -1, 0, 0, 0, 0, 1]),
        ("lamp'", "transform.t", [-4, 3, 0], [-4, 1, 0]),
    ])

    # State that carries over: a place before anything is recorded changes
    # nothing but the default; keep=2 counts as set and is remembered as 1.
    steps = tool.json(checks, "pinmark HLPA chair", "pinmark HMEM lamp", "pinmark HLPA chair",
                      "twinflip SXAZ keep=2 lamp", "twinflip - arm")["steps"]
    checks.equal("place first: recorded point", steps[0]["recordedPoint"], None)
    checks.equal("place first: changes", changes_of(steps[0]), [])
    checks.equal("memorize after a place starts with HLPA", steps[1]["startedWith"], {"option": "HLPA"})
    # The chair lists nothing: its origin lands on R, its pivot is R - t.
    checks.equal("place on the chair", changes_of(steps[2]), [
        ("chair", "placement.t", [3.5, 0, 0], [-4, 4, 0.75]), ("chair", "pivot", [0, 0, 0], [-7.5, 4, 0.75])])
    checks.equal("keep=2 mirrors without correction", [c[1] for c in changes_of(steps[3])], ["children", "transform.m"])
    checks.equal("keep=2 is remembered as set", steps[4]["startedWith"], {"option": "SXAZ", "keep": 1})

    # The text: an aligned table, the recorded point, and the call log.
    code, text, _ = tool.run("--trace")
    checks.equal("exit code of --trace", code, 0)
    checks.true("the text shows the table of step 2 aligned:\n" + text,
                "  node   field        before     after\n"
                "  table  placement.t  (0, 0, 0)  (-5, 4, 0)\n"
                "         pivot        (0, 0, 1)  (-4, 4, 0.75)\n" in text)
    checks.true("the text shows the recorded point of step 1",
                "recorded point: (-4, 4, 0.75), lamp's pivot through its placement and axis scale" in text)
    checks.true("the text shows the determinant signs of the mirrored copy",
                any(line.startswith("  arm' (copy of arm)  transform.m") and line.endswith("+ -> -")
                    for line in text.splitlines()))
    checks.true("--trace shows the placement written", "table.SetPlacement(m=(1, 0, 0, 0, 1, 0, 0, 0, 1) t=(-5, 4, 0) s=1, 0)" in text)
    checks.true("--trace shows the duplicate", "arm.Duplicate(1) -> arm'" in text)

    # A scene file's own steps run when the command line gives none.
    with tempfile.TemporaryDirectory() as folder:
        scene = {"nodes": {"a": {"transform": {"t": [10, 0, 0]}, "pivot": [1, 2, 3], "list": ["a"]},
                           "b": {"transform": {"s": 2}, "list": ["b"]}},
                 "steps": ["pinmark HMEM a", "pinmark HLPA b"]}
        with open(os.path.join(folder, "scene.json"), "w") as file:
            json.dump(scene, file)
        steps = tool.json(checks, os.path.join(folder, "scene.json"))["steps"]
        checks.equal("file steps: recorded point", steps[0]["recordedPoint"]["point"], [11, 2, 3])
        checks.equal("file steps: place on b", changes_of(steps[1]), [
            ("b", "placement.t", [0, 0, 0], [11, 2, 3]), ("b", "pivot", [0, 0, 0], [5.5, 1, 1.5])])


# (what, files in the working folder, arguments, texts the message holds)
BAD_INPUT = [
    ("missing scene file", {}, ["none.json"], ["none.json: no such file"]),
    ("malformed JSON", {"s.json": '{\n  "nodes": {\n    "a": {"pivot": [1, 2 3]}\n  }\n}\n'}, ["s.json"],
     ["s.json:3:26: malformed JSON"]),
    ("truncated JSON", {"s.json": '{"nodes": {'}, ["s.json"], ["s.json:1:12: malformed JSON: syntax error while parsing object key - unexpected end of input"]),
    ("array of the wrong length", {"s.json": '{"nodes": {"a": {"box": [1, 2, 3]}}}'}, ["s.json"],
     ["s.json: nodes.a.box: expected 6 numbers, found 3"]),
    ("matrix of the wrong length", {"s.json": '{"nodes": {"a": {"transform": {"m": [1, 0, 0]}}}}'}, ["s.json"],
     ["s.json: nodes.a.transform.m: expected 9 numbers, found 3"]),
    ("a non-number", {"s.json": '{"nodes": {"a": {"pivot": [1, "2", 3]}}}'}, ["s.json"],
     ['s.json: nodes.a.pivot[1]: expected a number, found the string "2"']),
    ("a non-number scale", {"s.json": '{"nodes": {"a": {"placement": {"s": true}}}}'}, ["s.json"],
     ["s.json: nodes.a.placement.s: expected a number, found true"]),
    ("a number out of float range", {"s.json": '{"nodes": {"a": {"axisScale": [1, 1e39, 1]}}}'}, ["s.json"],
     ["s.json: nodes.a.axisScale[1]: 1e+39 is out of the range of a 32-bit float"]),
    ("unknown child", {"s.json": '{"nodes": {"a": {"children": ["b"]}}}'}, ["s.json"],
     ['s.json: nodes.a.children[0]: no node is named "b"']),
    ("unknown listed node", {"s.json": '{"nodes": {"a": {"list": ["a", "zz"]}}}'}, ["s.json"],
     ['s.json: nodes.a.list[1]: no node is named "zz"']),
    ("unknown node in a step", {"s.json": '{"nodes": {"a": {}}, "steps": ["pinmark HMEM b"]}'}, ["s.json"],
     ['s.json: steps[0] ("pinmark HMEM b"): no node is named "b"']),
    ("unknown node on the command line", {}, ["pinmark", "HMEM", "lampe"],
     ['command line: step 1 ("pinmark HMEM lampe"): no node is named "lampe" in embedded sample scene']),
    ("child of two parents", {"s.json": '{"nodes": {"a": {"children": ["c"]}, "b": {"children": ["c"]}, "c": {}}}'},
     ["s.json"], ['s.json: nodes.b.children[0]: "c" is already a child of "a"']),
    ("cycle", {"s.json": '{"nodes": {"a": {"children": ["b"]}, "b": {"children": ["a"]}}}'}, ["s.json"],
     ["s.json: nodes.a.children: the children form a cycle: a -> b -> a"]),
    ("own child", {"s.json": '{"nodes": {"a": {"children": ["a"]}}}'}, ["s.json"],
     ['s.json: nodes.a.children[0]: "a" is listed as its own child']),
    ("node given twice", {"s.json": '{"nodes": {"a": {}, "a": {}}}'}, ["s.json"], ['s.json: nodes: "a" is given twice']),
    ("unknown field", {"s.json": '{"nodes": {"a": {"colour": 1}}}'}, ["s.json"], ["s.json: nodes.a.colour: unknown field"]),
    ("unknown step on the command line", {}, ["pinmark", "HMEM", "lamp", "mirror", "SXAY", "arm"],
     ['command line: step 2 ("mirror"): unknown step "mirror"']),
    ("unknown step in the file", {"s.json": '{"nodes": {"a": {}}, "steps": ["pivot HMEM a"]}'}, ["s.json"],
     ['s.json: steps[0] ("pivot"): unknown step "pivot"']),
    ("option code of five letters", {}, ["pinmark", "HMEMX", "lamp"],
     ['command line: step 1 ("pinmark HMEMX"): the option code "HMEMX" is not four characters']),
    ("keep out of range", {}, ["twinflip", "SXAY", "keep=256", "arm"],
     ['command line: step 1 ("twinflip SXAY keep=256"): keep must be a number from 0 to 255']),
    ("a step without its node", {}, ["twinflip", "SXAY", "keep=0"], ['command line: step 1 ("twinflip SXAY keep=0"): missing the node name']),
    ("two steps in one string of the file", {"s.json": '{"nodes": {"a": {}}, "steps": ["pinmark HMEM a pinmark HLPA a"]}'},
     ["s.json"], ['s.json: steps[0] ("pinmark HMEM a pinmark HLPA a"): unexpected "pinmark" after the node name']),
    ("missing module file", {}, ["--module", "nothing.so", "pinmark", "HMEM", "lamp"], ["--module nothing.so: no such file"]),
    ("a library without the three exports", {}, ["--module", "{two_exports}"],
     ["--module {two_exports}: not a module the host can load", "no export named DllCanUnloadNow"]),
    ("a module of the other class", {}, ["--pinmark", "{twinflip}", "pinmark", "HMEM", "lamp"],
     ["--pinmark {twinflip}: offers no Pinmark class {5ED17F01-8588-11D2-B7A5-F35813A8BA80}", "it is a Twinflip module"]),
    ("unknown option", {}, ["--colour"], ["command line: --colour: unknown option"]),
]


def bad_input(tool, options, checks):
    # Placeholders for the built files; class ids keep their braces.
    def fill(text):
        return text.replace("{two_exports}", options.two_exports).replace("{twinflip}", options.twinflip)

    for index, (what, files, arguments, expected) in enumerate(BAD_INPUT):
        with tempfile.TemporaryDirectory() as folder:
            for name, text in files.items():
                with open(os.path.join(folder, name), "w") as file:
                    file.write(text)
            svg = os.path.join(folder, "never.svg")
            code, out, err = tool.run("--svg", svg, *[fill(a) for a in arguments], cwd=folder)
            case = f"case {index} ({what})"
            checks.equal(f"{case}: exit code", code, 2)
            checks.equal(f"{case}: nothing printed on stdout", out, "")
            checks.true(f"{case}: nothing drawn", not os.path.exists(svg))
            checks.true(f"{case}: one line on stderr, from orvel-scene: {err!r}",
                        err.startswith("orvel-scene: ") and err.count("\n") == 1)
            for text in expected:
                text = fill(text)
                checks.true(f"{case}: the message holds {text!r}: {err!r}", text in err)


def svg(tool, options, checks):
    with tempfile.TemporaryDirectory() as folder:
        drawing = os.path.join(folder, "scene.svg")
        code, _, err = tool.run("--svg", drawing)
        checks.equal("exit code with --svg", code, 0)
        root = ET.parse(drawing).getroot()
    namespace = {"svg": "http://www.w3.org/2000/svg"}
    views = root.findall(".//svg:g[@class='view']", namespace)
    keys = [(v.get("data-step"), v.get("data-state"), v.get("data-view")) for v in views]
    checks.equal("one view of each kind, before and after each step", sorted(keys),
                 sorted((str(step), state, view) for step in range(1, 5) for state in ("before", "after")
                        for view in ("top", "front", "side")))
    originals = ["table", "chair", "lamp", "robot", "arm", "hand", "head"]
    expected_nodes = {
        ("1", "before"): originals, ("1", "after"): originals, ("2", "before"): originals, ("2", "after"): originals,
        ("3", "before"): originals, ("3", "after"): originals + ["arm'", "hand'"],
        ("4", "before"): originals + ["arm'", "hand'"], ("4", "after"): originals + ["arm'", "hand'", "lamp'"],
    }
    for view, key in zip(views, keys):
        boxes = [p for p in view.iter("{http://www.w3.org/2000/svg}polygon") if "box" in p.get("class", "").split()]
        ids = [p.get("data-id") for p in boxes]
        checks.equal(f"view {key}: one box per node", sorted(p.get("data-node") for p in boxes),
                     sorted(expected_nodes[key[:2]]))
        checks.equal(f"view {key}: no node drawn twice", len(set(ids)), len(ids))
        copies = sorted(p.get("data-node") for p in boxes if "copy" in p.get("class").split())
        checks.equal(f"view {key}: copies in their own colour", copies,
                     sorted(n for n in expected_nodes[key[:2]] if n.endswith("'")))
        planes = view.findall(".//svg:line[@class='mirror-plane']", namespace)
        # The arm and the lamp are mirrored along y: the plane is seen edge on
        # from the top and the side, face on from the front.
        edge_on = key[1] == "after" and key[0] in ("3", "4") and key[2] != "front"
        checks.equal(f"view {key}: mirror planes", len(planes), 1 if edge_on else 0)
        rings = view.findall(".//svg:circle[@class='recorded']", namespace)
        checks.equal(f"view {key}: recorded point", len(rings), 0 if key[:2] == ("1", "before") else 1)
    legend = " ".join(t.text or "" for t in root.iter("{http://www.w3.org/2000/svg}text"))
    checks.true("the legend names the copies", "copy" in legend and "mirror plane" in legend)


GROUPS = {"sample_values": sample_values, "bad_input": bad_input, "svg": svg}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("group", choices=sorted(GROUPS))
    parser.add_argument("--tool", required=True)
    parser.add_argument("--emulator", default="")
    parser.add_argument("--two-exports", required=True)
    parser.add_argument("--twinflip", required=True)
    parser.add_argument("--module", action="append", default=[])
    options = parser.parse_args()
    checks = Checks()
    GROUPS[options.group](Tool(options), options, checks)
    for failure in checks.failures:
        print("FAIL " + failure)
    print(f"{options.group}: {len(checks.failures)} failures")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
