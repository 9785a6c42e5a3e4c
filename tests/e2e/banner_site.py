# A misbehaving banner site, reached as the HTTP proxy: every request is logged to the file
# given, its file name on a line when it comes and "sent NAME" once answered whole, and it is
# answered by the scenario given.
#   journal  set.txt names the book's journal and other files that are no pictures
#   stall    set.txt names a picture that never finishes arriving ("STALL" is logged when it starts)
#   gzip     set.txt comes as a broken gzip stream
#   disk     set.txt names 40 pictures of 3 MiB each
#   banner   set.txt shows one message over banner.png, a red picture
# The port it listens on (127.0.0.1 only) goes to the file <log>.port. It stops by itself
# after 120 s.
import http.server
import socketserver
import struct
import sys
import threading
import time
import zlib

scenario, log = sys.argv[1], sys.argv[2]
MiB = 1024 * 1024


def settings(names):
    text = "[banner]\nattivo=TRUE\n"
    for n, name in enumerate(names, 1):
        text += "[mess%d]\nintervallo=1000\ntesto1=message %d\nimmagine=%s\n" % (n, n, name)
    return text.encode()


def png(width, height, rgb):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + bytes(rgb) * width for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


SETTINGS = {
    "banner": (b"[banner]\r\nattivo=TRUE\r\n"
               b"[mess1]\r\nintervallo=4000\r\ntesto1=Hello from the site\r\nimmagine=banner.png\r\n"),
    "journal": settings(["contatti.mdb-journal", "contatti.mdb-wal", "tavoly.ini", "chkon", "ok.png"]),
    "stall": settings(["stall.png"]),
    "disk": settings(["p%d.png" % n for n in range(1, 41)]),
}


class Site(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, body, headers=()):
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        for key, value in headers:
            self.send_header(key, value)
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        name = self.path.rsplit("/", 1)[-1]
        with open(log, "a") as f:
            f.write(name + "\n")
        try:
            if name == "set.txt" and scenario == "gzip":
                self.answer(b"\x1f\x8b\x08\x00broken" * 20, [("Content-Encoding", "gzip")])
            elif name == "set.txt":
                self.answer(SETTINGS[scenario])
            elif name == "stall.png":
                self.send_response(200)
                self.send_header("Content-Length", "100000")
                self.end_headers()
                self.wfile.write(b"\x89PNG")
                self.wfile.flush()
                with open(log, "a") as f:
                    f.write("STALL\n")
                time.sleep(60)
            elif name == "banner.png" and scenario == "banner":
                self.answer(png(16, 16, (255, 0, 0)))
            elif name.startswith("p") and name.endswith(".png"):
                self.answer(b"p" * (3 * MiB))
            else:
                self.answer(b"PWNED by server")
            with open(log, "a") as f:
                f.write("sent " + name + "\n")
        except OSError:
            pass


socketserver.TCPServer.allow_reuse_address = True
server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Site)
server.daemon_threads = True
threading.Timer(120, server.shutdown).start()
with open(log + ".port", "w") as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
