# The maker's site as the program sees it through its proxy: any host answers, "set.txt" with a
# banner that is on, "banner.png" with a red picture, anything else with a page. Every path
# asked for is written to the log. Prints its port, then serves until it is ended.
import http.server
import struct
import sys
import zlib

log = sys.argv[1]
SETTINGS = (b"[banner]\r\nattivo=TRUE\r\n"
            b"[mess1]\r\nintervallo=4000\r\ntesto1=Hello from the site\r\nimmagine=banner.png\r\n")


def png(width, height, rgb):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + bytes(rgb) * width for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


PICTURE = png(16, 16, (255, 0, 0))


class Site(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(log, "a") as f:
            f.write(self.path + "\n")
        body = SETTINGS if self.path.endswith("/set.txt") else PICTURE if self.path.endswith("/banner.png") else b"ok"
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
print(server.server_address[1], flush=True)
server.serve_forever()
