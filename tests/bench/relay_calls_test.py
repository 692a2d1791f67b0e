#!/usr/bin/env python3
"""bench/relay-calls.py sums a relay trace by the program's own calls: nested calls,
other threads and lines that are not calls must not be counted as the program's."""
import importlib.util
import pathlib
import unittest

spec = importlib.util.spec_from_file_location(
    "relay_calls", pathlib.Path(__file__).resolve().parents[2] / "bench" / "relay-calls.py")
relay = importlib.util.module_from_spec(spec)
spec.loader.exec_module(relay)


def summary(trace):
    count, millis = relay.summarise(trace.strip().splitlines())
    return {name: (count[name], round(millis[name], 3)) for name in count}


class RelayCallsTest(unittest.TestCase):
    def test_traces(self):
        cases = [
            ("a top-level call, timed from its call to its return",
             """
             100.000:0024:Call KERNEL32.CopyFileW(0011 L"a",0012 L"b",00000000) ret=140001234
             100.004:0024:Ret  KERNEL32.CopyFileW() retval=00000001 ret=140001234
             """,
             {"KERNEL32.CopyFileW": (1, 4.0)}),
            ("what a call does inside is its own time, not calls of the program",
             """
             100.000:0024:Call user32.SetWindowTextW(00010044,0011 L"x") ret=140001000
             100.001:0024:Call window proc 0x7bc9e8f0 (hwnd=00010044,msg=WM_SETTEXT,wp=00000000,lp=0011)
             100.002:0024:Call ntdll.NtWaitForSingleObject(00000004,00000000,00000000) ret=7b000000
             100.003:0024:Ret  ntdll.NtWaitForSingleObject() retval=00000000 ret=7b000000
             100.004:0024:Ret  window proc 0x7bc9e8f0 (hwnd=00010044,msg=WM_SETTEXT,wp=00000000,lp=0011) retval=00000001
             100.006:0024:Ret  user32.SetWindowTextW() retval=00000001 ret=140001000
             100.006:0024:Call user32.SetWindowTextW(00010045,0011 L"y") ret=140001000
             100.007:0024:Ret  user32.SetWindowTextW() retval=00000001 ret=140001000
             """,
             {"user32.SetWindowTextW": (2, 7.0)}),
            ("another thread's calls are not the program's main thread",
             """
             100.000:0024:Call KERNEL32.Sleep(00000001) ret=140001000
             100.000:0030:Call ntdll.NtDelayExecution(00000000,0011) ret=7b000000
             100.001:0024:Ret  KERNEL32.Sleep() retval=00000000 ret=140001000
             100.009:0030:Ret  ntdll.NtDelayExecution() retval=00000000 ret=7b000000
             """,
             {"KERNEL32.Sleep": (1, 1.0)}),
            ("a window procedure the system calls at the top is named by its message",
             """
             100.000:0024:Call window proc 0x7bc9e8f0 (hwnd=00010044,msg=WM_PAINT,wp=00000000,lp=00000000)
             100.002:0024:Ret  window proc 0x7bc9e8f0 (hwnd=00010044,msg=WM_PAINT,wp=00000000,lp=00000000) retval=00000000
             """,
             {"window proc WM_PAINT": (1, 2.0)}),
            ("other channels' lines and a trace without timestamps",
             """
             0024:fixme:ver:GetCurrentPackageId (0000000000000000 0000000000000000): stub
             0024:Call msvcrt.malloc(00000010) ret=140002000
             0024:Ret  msvcrt.malloc() retval=00300000 ret=140002000
             wine: something else
             """,
             {"msvcrt.malloc": (1, 0.0)}),
            ("a call that never returns (the process ended) is not counted",
             """
             100.000:0024:Call KERNEL32.ExitProcess(00000000) ret=140001000
             """,
             {}),
        ]
        for name, trace, expected in cases:
            with self.subTest(name):
                self.assertEqual(summary(trace.replace("             ", "")), expected)


if __name__ == "__main__":
    unittest.main()
