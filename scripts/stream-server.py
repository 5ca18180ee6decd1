#!/usr/bin/env python3
"""Serves one MP3 file over HTTP on 127.0.0.1 as an internet radio station would, for tests.

usage: stream-server.py FILE [--icy BYTES --titles T1,T2,...] [--drop BYTES [--drops N]] [--ranges]

Prints "PORT PID" on its first line, then serves until killed or until the process that
started it ends. --icy puts a metadata block after every BYTES bytes of audio (the server
answers "icy-metaint" only to clients that send "Icy-MetaData: 1"); the titles take equal
shares of the stream, each announced once in a StreamTitle block where it starts (the
other blocks are empty), with no Content-Length, as a live station sends it. Without
--icy the file goes with its Content-Length. --drop closes every connection (the first N with
--drops) after BYTES bytes of the body, its Content-Length still announcing the whole file.
--ranges answers "Range: bytes=N-" with the rest of the file (206); without it a range is
ignored and the whole file sent. Titles are sent as
Latin-1 when they fit it, as servers often do. The body goes out in odd-sized pieces.
"""
import argparse
import http.server
import os
import socketserver
import sys
import threading
import time

PIECE = 777


def metadata_block(title):
    if title is None:
        return b"\0"
    try:
        text = title.encode("latin-1")
    except UnicodeEncodeError:
        text = title.encode("utf-8")
    text = b"StreamTitle='" + text + b"';"
    length = (len(text) + 15) // 16
    return bytes([length]) + text.ljust(length * 16, b"\0")


def icy_body(audio, interval, titles):
    out = bytearray()
    blocks = (len(audio) + interval - 1) // interval
    last = None
    for k in range(blocks):
        out += audio[k * interval:(k + 1) * interval]
        if (k + 1) * interval > len(audio):
            break
        # The title of the audio after this block.
        title = titles[min(len(titles) - 1, (k + 1) * len(titles) // blocks)] if titles else None
        out += metadata_block(title if title != last else None)
        last = title
    return bytes(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file")
    parser.add_argument("--icy", type=int, default=0)
    parser.add_argument("--titles", default="")
    parser.add_argument("--drop", type=int, default=0)
    parser.add_argument("--drops", type=int, default=-1)
    parser.add_argument("--ranges", action="store_true")
    args = parser.parse_args()
    with open(args.file, "rb") as f:
        audio = f.read()
    titles = [t for t in args.titles.split(",") if t]
    connections = [0]
    lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            icy = args.icy > 0 and self.headers.get("Icy-MetaData") == "1"
            body = icy_body(audio, args.icy, titles) if icy else audio
            start = 0
            wanted = self.headers.get("Range", "")
            if args.ranges and not icy and wanted.startswith("bytes=") and wanted.endswith("-"):
                start = min(int(wanted[6:-1]), len(body))
            with lock:
                connections[0] += 1
                drop = args.drop > 0 and (args.drops < 0 or connections[0] <= args.drops)
            self.send_response(206 if start else 200)
            self.send_header("Content-Type", "audio/mpeg")
            if icy:
                self.send_header("icy-metaint", str(args.icy))
                self.send_header("icy-name", "Orvane Test Radio")
            else:
                self.send_header("Content-Length", str(len(body) - start))
                if start:
                    self.send_header("Content-Range", "bytes %d-%d/%d" % (start, len(body) - 1, len(body)))
            self.end_headers()
            end = min(start + args.drop, len(body)) if drop else len(body)
            try:
                for at in range(start, end, PIECE):
                    self.wfile.write(body[at:min(at + PIECE, end)])
                self.wfile.flush()
            except OSError:
                pass

        def log_message(self, *_):
            pass

    class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
        daemon_threads = True

    server = Server(("127.0.0.1", 0), Handler)
    parent = os.getppid()

    def watch_parent():
        while os.getppid() == parent:
            time.sleep(0.2)
        os._exit(0)

    threading.Thread(target=watch_parent, daemon=True).start()
    print(server.server_address[1], os.getpid(), flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
