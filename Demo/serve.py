#!/usr/bin/env python3
"""The demo page of the MOLDARI bridge and the sample archives it offers.

    python3 Demo/serve.py [--port 5173] [--bind 127.0.0.1] [--archives build/SampleArchives]

Serves this folder's index.html at / and every .zip and .usdz of the archives folder under
/archives/, with their list at /archives/index.json. The page talks to the bridge at
http://localhost:5325 from the browser; the editor then downloads the archive from here.
"""

import argparse
import http.server
import json
import os
import sys
import urllib.parse
from pathlib import Path

DEMO_DIR = Path(__file__).resolve().parent
ARCHIVE_SUFFIXES = (".zip", ".usdz")


def make_handler(archives: Path):
    class Handler(http.server.SimpleHTTPRequestHandler):
        extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                          ".zip": "application/zip", ".usdz": "model/vnd.usdz+zip", ".json": "application/json"}

        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=str(DEMO_DIR), **kwargs)

        def end_headers(self):
            self.send_header("Cache-Control", "no-store")
            super().end_headers()

        def list_archives(self) -> list[dict]:
            if not archives.is_dir():
                return []
            return [{"name": p.stem, "file": p.name, "size": p.stat().st_size}
                    for p in sorted(archives.iterdir()) if p.is_file() and p.suffix.lower() in ARCHIVE_SUFFIXES]

        def do_GET(self):
            path = urllib.parse.urlsplit(self.path).path
            if path == "/archives/index.json":
                body = json.dumps(self.list_archives()).encode()
                self.send_response(200)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
                return
            if path.startswith("/archives/"):
                # Only a plain file name of the list is served, never a path out of the folder.
                file = urllib.parse.unquote(path[len("/archives/"):])
                if file not in {a["file"] for a in self.list_archives()}:
                    self.send_error(404)
                    return
                self.serve_file(archives / file)
                return
            if path in ("/", "/index.html"):
                self.serve_file(DEMO_DIR / "index.html")
                return
            self.send_error(404)

        def do_HEAD(self):
            self.send_error(405)

        def serve_file(self, file: Path):
            with open(file, "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Type", self.guess_type(str(file)))
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def log_message(self, format, *args):
            sys.stdout.write("%s %s\n" % (self.log_date_time_string(), format % args))
            sys.stdout.flush()

    return Handler


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=5173)
    parser.add_argument("--bind", default="127.0.0.1")
    parser.add_argument("--archives", default=str(DEMO_DIR.parent / "build" / "SampleArchives"))
    args = parser.parse_args()
    archives = Path(args.archives).resolve()
    if not archives.is_dir():
        print(f"no archives folder {archives}: build the sample archives first (make demo does)", file=sys.stderr)
        return 1
    server = http.server.ThreadingHTTPServer((args.bind, args.port), make_handler(archives))
    host = "localhost" if args.bind in ("127.0.0.1", "localhost") else args.bind
    print(f"Demo page: http://{host}:{args.port}/  (archives from {archives})", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
