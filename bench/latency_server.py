#!/usr/bin/env python3
"""Serves a folder on 127.0.0.1 (or the --host addresses), answering each request D ms after it arrived.

A stand-in for a real network: one connection per request (the answer says
"Connection: close" and the connection is closed after it), no keep-alive.
The delay is counted from the end of the request's headers, so the server's
own work (a file read from the page cache) comes on top of D but is small;
bench/check_latency.sh measures it.
"""
import argparse
import asyncio
import os
import signal
import sys
from urllib.parse import unquote

CONTENT_TYPES = {".html": b"text/html; charset=utf-8", ".css": b"text/css", ".txt": b"text/plain"}
NOT_FOUND = b"<html><body><h1>404 Not Found</h1></body></html>\n"


class Handler(asyncio.Protocol):
    root = ""
    delay = 0.02
    served = 0

    def connection_made(self, transport):
        self.transport = transport
        self.buffer = b""
        self.answered = False

    def data_received(self, data):
        if self.answered:
            return
        self.buffer += data
        end = self.buffer.find(b"\r\n\r\n")
        if end < 0:
            if len(self.buffer) > 65536:
                self.transport.close()
            return
        self.answered = True
        request_line = self.buffer[:self.buffer.find(b"\r\n")].decode("latin-1")
        asyncio.get_running_loop().call_later(self.delay, self.answer, request_line)

    def answer(self, request_line):
        Handler.served += 1
        parts = request_line.split(" ")
        method = parts[0] if parts else ""
        target = parts[1] if len(parts) > 1 else "/"
        path = unquote(target.split("?", 1)[0].split("#", 1)[0])
        if path.endswith("/"):
            path += "index.html"
        full = os.path.normpath(os.path.join(self.root, path.lstrip("/")))
        body = None
        if full.startswith(self.root + os.sep) and ".." not in path.split("/"):
            try:
                with open(full, "rb") as f:
                    body = f.read()
            except OSError:
                body = None
        if body is None:
            head = b"HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n"
            body = NOT_FOUND
        else:
            head = b"HTTP/1.1 200 OK\r\nContent-Type: " + CONTENT_TYPES.get(os.path.splitext(full)[1],
                                                                            b"application/octet-stream") + b"\r\n"
        head += b"Content-Length: %d\r\nConnection: close\r\n\r\n" % len(body)
        if method == "HEAD":
            self.transport.write(head)
        else:
            self.transport.writelines((head, body))
        self.transport.close()


async def serve(args):
    Handler.root = os.path.realpath(args.root)
    Handler.delay = args.delay_ms / 1000.0
    loop = asyncio.get_running_loop()
    hosts = args.host or ["127.0.0.1"]
    server = await loop.create_server(Handler, hosts, args.port, backlog=128, reuse_address=True)
    stop = loop.create_future()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set_result, None)
    print("latency server on %s:%d, %d ms, %s" % (",".join(hosts), args.port, args.delay_ms, Handler.root), file=sys.stderr,
          flush=True)
    async with server:
        await stop
    print("served %d requests" % Handler.served, file=sys.stderr)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--root", required=True, help="folder to serve")
    ap.add_argument("--port", type=int, default=18080)
    ap.add_argument("--host", action="append", help="address to listen on (repeatable; default 127.0.0.1)")
    ap.add_argument("--delay-ms", type=float, default=20)
    asyncio.run(serve(ap.parse_args()))


if __name__ == "__main__":
    main()
