"""Tests of the end-to-end runner's own rules: reading the boxes, the
edition tables, and what it does to a shared Wine prefix's registry and
drive C: (parts that a passing suite would not show to be wrong)."""

import os
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import run  # noqa: E402


class ParseBoxes(unittest.TestCase):
    def test_frames(self):
        cases = [
            ("prompt, echo and a second box",
             "=== Ask ===\nInstall?\n--- [Yes] No ---\n> yes\n=== Ask ===\nDone.\n--- [OK] ---\n> \n",
             [("Ask", "Install?", "Yes No", "Yes"), ("Ask", "Done.", "OK", "OK")]),
            ("a warning's default, an answer passed over",
             "=== W ===\nReally?\n--- Yes [No] ---\n> maybe\nPlease answer yes or no (an empty line: No).\n> n\n",
             [("W", "Really?", "Yes No", "No")]),
            ("empty text, text lines with blanks and tabs",
             "=== E ===\n\n--- [OK] ---\n=== T ===\na\n\n\tb \n--- [OK] ---\n",
             [("E", "", "OK", "OK"), ("T", "a\n\n\tb ", "OK", "OK")]),
            ("Japanese caption and text",
             "=== ネムリア アップデータ ===\nファイルが見つかりません。\n--- [OK] ---\n",
             [("ネムリア アップデータ", "ファイルが見つかりません。", "OK", "OK")]),
            ("no box", "wine: something\n", []),
        ]
        for name, output, wanted in cases:
            with self.subTest(name):
                shown = [(b["caption"], b["text"], b["buttons"], b["default"]) for b in run.parse_boxes(output)]
                self.assertEqual(shown, wanted)

    def test_default_checked_only_where_expected(self):
        shown = run.parse_boxes("=== W ===\nw\n--- Yes [No] ---\n")
        run.compare_boxes(shown, run.expected_boxes({"box": [{"caption": "W", "text": "w", "buttons": "Yes No"}]}, {}))
        run.compare_boxes(shown, run.expected_boxes(
            {"box": [{"caption": "W", "text": "w", "buttons": "Yes No", "default": "No"}]}, {}))
        with self.assertRaises(run.Failure):
            run.compare_boxes(shown, run.expected_boxes(
                {"box": [{"caption": "W", "text": "w", "buttons": "Yes No", "default": "Yes"}]}, {}))


class Editions(unittest.TestCase):
    def test_tables_replace_keys(self):
        scenario = {"answers": ["y"], "box": [1], "expect": {"a": 1},
                    "windows": {"box": [2]}, "host": {"expect": {"b": 2}}}
        self.assertEqual(run.for_edition(scenario, "host"), {"answers": ["y"], "box": [1], "expect": {"b": 2}})
        for edition in ("win32", "win64"):
            self.assertEqual(run.for_edition(scenario, edition),
                             {"answers": ["y"], "box": [2], "expect": {"a": 1}})

    def test_folders(self):
        host = run.folder_places("host", pathlib.Path("/r"))
        wine = run.folder_places("win64", pathlib.Path("/p"))
        self.assertEqual((host["win"], wine["win"]), ("C:\\WINDOWS", "C:\\windows"))
        self.assertEqual(host["programs"], wine["programs"])
        self.assertEqual(wine["user_desktop"], "C:\\users\\" + run.login_name() + "\\Desktop")
        self.assertEqual(host["drive_c"], "/r/drive_c")
        # Under Wine, the user's folders are those of the user Wine runs as.
        other = run.folder_places("win32", pathlib.Path("/p"), "tester")
        self.assertEqual((other["user"], other["user_desktop"]), ("tester", "C:\\users\\tester\\Desktop"))


class Registry(unittest.TestCase):
    def test_only_scenario_keys_are_removed(self):
        app_paths = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths"
        cases = [
            (app_paths + "\\tool.exe", True),
            (app_paths.upper() + "\\TOOL.EXE\\sub", True),
            (app_paths, False),                       # holds Wine's own registrations
            ("HKEY_LOCAL_MACHINE\\Software\\Microsoft", False),
            ("HKEY_LOCAL_MACHINE\\Software", False),
            ("HKEY_CURRENT_USER\\Software\\Wine", False),
            ("HKEY_CURRENT_USER\\Software\\Vendor\\App", True),
        ]
        for key, wanted in cases:
            with self.subTest(key):
                self.assertEqual(run.removable(key), wanted)

    def test_wow64_view(self):
        cases = [
            ("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\X]", "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\X]"),
            ("[-HKEY_LOCAL_MACHINE\\SOFTWARE\\A]", "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\A]"),
            ("[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\A]", "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\A]"),
            ("[HKEY_CURRENT_USER\\Software\\A]", "[HKEY_CURRENT_USER\\Software\\A]"),
            ('@="C:\\\\Software\\\\x"', '@="C:\\\\Software\\\\x"'),
        ]
        for text, wanted in cases:
            with self.subTest(text):
                self.assertEqual(run.wow64_view(text), wanted)

    def test_keys_and_header(self):
        text = "REGEDIT4\r\n\r\n[HKEY_A\\b]\r\n@=\"x\"\r\n[-HKEY_C]\r\n [HKEY_D] \r\n"
        self.assertEqual(run.registry_keys(text), ["HKEY_A\\b", "HKEY_D"])
        self.assertFalse(run.registry_body(text).startswith("REGEDIT4"))


class WindowsPaths(unittest.TestCase):
    def test_case_as_wine_matches_it(self):
        with tempfile.TemporaryDirectory() as top:
            drive_c = pathlib.Path(top) / "drive_c"
            (drive_c / "users" / "Public" / "Desktop").mkdir(parents=True)
            (drive_c / "users" / "Public" / "Desktop" / "a.txt").write_text("a")
            cases = [
                ("C:\\Users\\Public\\Desktop\\A.TXT", drive_c / "users/Public/Desktop/a.txt"),
                ("c:\\users\\public\\desktop\\", drive_c / "users/Public/Desktop"),
                ("C:\\Users\\Nobody\\x", drive_c / "users/Nobody/x"),
                ("Z:" + top.replace("/", "\\"), pathlib.Path(top)),
            ]
            for path, wanted in cases:
                with self.subTest(path):
                    self.assertEqual(run.resolve_windows(path, str(drive_c)), wanted)
            with self.assertRaises(run.Failure):
                run.resolve_windows("D:\\x", str(drive_c))

    def test_drive_c_additions_are_undone(self):
        wine = run.Wine()
        with tempfile.TemporaryDirectory() as top:
            wine.prefix = pathlib.Path(top)
            kept = wine.prefix / "drive_c" / "users" / "Public" / "Desktop"
            kept.mkdir(parents=True)
            (kept / "old.txt").write_text("old")
            before = wine.drive_c_entries()
            (kept / "new.txt").write_text("new")
            (kept / "new dir" / "deep").mkdir(parents=True)
            (kept / "new dir" / "deep" / "ro.txt").write_text("ro")
            os.chmod(kept / "new dir" / "deep" / "ro.txt", 0o444)
            os.chmod(kept / "new dir" / "deep", 0o555)
            wine.remove_new_entries(before)
            self.assertEqual(sorted(os.listdir(kept)), ["old.txt"])


class ScriptBytes(unittest.TestCase):
    def test_encodings_line_ends_and_generators(self):
        places = {"src": "Z:\\s"}
        cases = [
            ("default: Shift-JIS, CR LF", {"script": "[A]\nK=<{src}>\r\nデ\n"},
             b"[A]\r\nK=<Z:\\s>\r\n\x83\x66\r\n"),
            ("CR alone", {"script": "a\nb\r\n", "line_ends": "cr"}, b"a\rb\r"),
            ("kept as written", {"script": "a\rb\n\r\n", "line_ends": "keep"}, b"a\rb\n\r\n"),
            ("UTF-16 with its mark", {"script": "a\n", "encoding": "utf-16", "line_ends": "lf"},
             b"\xff\xfea\x00\n\x00"),
            ("UTF-8 with its mark", {"script": "a", "encoding": "utf-8-sig"}, b"\xef\xbb\xbfa"),
            ("generated text", {"script_python": "script = 'x' * 3 + '{src}\\n'"}, b"xxxZ:\\s\r\n"),
            ("generated bytes, as they are", {"script_python": "script = b'{src}\\n\\0'"}, b"{src}\n\0"),
        ]
        for name, scenario, wanted in cases:
            with self.subTest(name):
                self.assertEqual(run.script_bytes(scenario, places), wanted)

    def test_own_places_use_the_others(self):
        places = run.scenario_places({"places": {"rm": "{src_host}/x", "w": "{win}"}}, pathlib.Path("/t/run"),
                                     {"win": "C:\\W"})
        self.assertEqual((places["src"], places["rm"], places["w"]), ("Z:\\t\\run", "/t/run/x", "C:\\W"))


class Unchanged(unittest.TestCase):
    def test_every_change_is_seen_except_where_allowed(self):
        def change_content(top):
            (top / "run" / "a.txt").write_text("b")

        def change_mode(top):
            os.chmod(top / "run" / "a.txt", 0o444)

        def change_time(top):
            os.utime(top / "run" / "a.txt", ns=(1, 1))

        def add_in_drive_c(top):
            (top / "drive_c" / "new").mkdir()

        def remove(top):
            (top / "run" / "sub" / "c.txt").unlink()

        def allowed(top):
            (top / "run" / "sub" / "d.txt").write_text("d")
            (top / "drive_c" / "x.txt").write_text("x")

        cases = [("content", change_content, True), ("mode", change_mode, True), ("time", change_time, True),
                 ("added on drive C:", add_in_drive_c, True), ("removed", remove, True),
                 ("only allowed changes", allowed, False), ("nothing", lambda top: None, False)]
        for name, change, seen in cases:
            with self.subTest(name), tempfile.TemporaryDirectory() as top:
                top = pathlib.Path(top)
                (top / "run" / "sub").mkdir(parents=True)
                (top / "drive_c").mkdir()
                (top / "run" / "a.txt").write_text("a")
                (top / "run" / "sub" / "c.txt").write_text("c")
                places = {"drive_c": str(top / "drive_c")}
                expect = {"unchanged": True, "changed": ["sub/d.txt", "C:\\X.TXT"]}
                assurance = run.Unchanged(expect, top / "run", places)
                change(top)
                if seen:
                    with self.assertRaises(run.Failure):
                        assurance.check()
                else:
                    assurance.check()



class HostOutputs(unittest.TestCase):
    """The host program's own options and outputs in a scenario."""

    def test_command_line(self):
        work = pathlib.Path("/w")
        cases = [
            ("plain", {"args": ["--help"]}, False,
             ["/p", "--trace=/w/trace.txt", "--", "--help"]),
            ("status, answers by option, own options", {"status": 3, "answers": ["yes", "ok"], "answers_option": True,
                                                        "options": ["--root", "{src_host}/r"]}, False,
             ["/p", "--trace=/w/trace.txt", "--status", "--answers", "yes,ok", "--root", "/s/r", "--"]),
            ("answers by option for every scenario", {"answers": ["no"]}, True,
             ["/p", "--trace=/w/trace.txt", "--answers", "no", "--"]),
            ("no answers to give", {}, True, ["/p", "--trace=/w/trace.txt", "--"]),
            ("a JSON trace", {"trace_jsonl": "{}"}, False, ["/p", "--trace=/w/trace.jsonl", "--"]),
        ]
        for name, scenario, by_option, wanted in cases:
            with self.subTest(name):
                command, _ = run.host_command(scenario, "/p", work, {"src_host": "/s"}, by_option)
                self.assertEqual(command, wanted)

    def test_lines_and_json_lines(self):
        run.compare_lines("x", ["a", "b"], ["a", "b"])
        for shown, wanted, said in [(["a", "c"], ["a", "b"], "at line 2"), (["a"], ["a", "b"], "has 1 lines"),
                                    (["a", "b"], ["a"], "'b'")]:
            with self.assertRaisesRegex(run.Failure, said):
                run.compare_lines("x", shown, wanted)
        shown = ['{"step": "box", "line": 3, "text": "a\\\\b"}', '{"step": "end"}']
        run.compare_json_lines(shown, ['{"step": "box", "text": "a\\\\b"}', '{}'])
        for wanted, said in [(['{"line": 4}', '{}'], "line 1"), (['{}'], "2 lines"),
                             (['{}', '{"status": 0}'], "status")]:
            with self.assertRaisesRegex(run.Failure, said):
                run.compare_json_lines(shown, wanted)
        with self.assertRaisesRegex(run.Failure, "no JSON"):
            run.compare_json_lines(["{"], ["{}"])

    def test_outputs(self):
        places = {"src": "Z:\\a\\b", "src_host": "/a/b"}
        scenario = {"stdout": "in {src}\n", "stdout_has": ["in {src}"], "stderr_has": ["e"],
                    "trace": "x: {src_host}\n", "trace_jsonl": '{"path": "{src}"}'}
        run.check_host_output({k: v for k, v in scenario.items() if k != "trace_jsonl"}, places,
                              "in Z:\\a\\b\n", "e\n", ["x: /a/b"])
        # In a JSON trace a placeholder stands inside a JSON string.
        run.check_host_output({"trace_jsonl": scenario["trace_jsonl"]}, places, "", "",
                              ['{"path": "Z:\\\\a\\\\b"}'])
        with self.assertRaises(run.Failure):
            run.check_host_output({"stderr_has": ["f"]}, places, "", "e\n", [])
        with self.assertRaises(run.Failure):
            run.check_host_output({"stdout": ""}, places, "out\n", "", [])

if __name__ == "__main__":
    unittest.main()
