#!/usr/bin/python3
"""SMTP sink for the mail tests.

Listens on 127.0.0.1 on a port the system picks, prints "PORT <n>" once it is
listening, and appends one JSON line per accepted message to the file named by
its argument: HELO name, envelope sender and recipients, and the message data
(base64) as received after the dot transparency is undone. It ends when its
standard input closes, or after five minutes at the latest.
"""

import asyncio
import base64
import json
import os
import sys

from aiosmtpd.smtp import SMTP


class Sink:
    def __init__(self, path):
        self.path = path

    async def handle_DATA(self, server, session, envelope):
        record = {
            "helo": session.host_name,
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "data": base64.b64encode(envelope.original_content).decode("ascii"),
        }
        with open(self.path, "a", encoding="utf-8") as out:
            out.write(json.dumps(record) + "\n")
        return "250 Message accepted"


async def main(path):
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(Sink(path), hostname="sink.test"), "127.0.0.1", 0)
    print("PORT", server.sockets[0].getsockname()[1], flush=True)

    stdin_closed = loop.create_future()

    def on_stdin():
        if not os.read(sys.stdin.fileno(), 4096) and not stdin_closed.done():
            stdin_closed.set_result(None)

    loop.add_reader(sys.stdin.fileno(), on_stdin)
    try:
        await asyncio.wait_for(stdin_closed, timeout=300)
    except asyncio.TimeoutError:
        pass
    server.close()


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1]))
