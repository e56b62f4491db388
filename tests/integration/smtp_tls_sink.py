#!/usr/bin/python3
"""SMTP sink with TLS and login for the mail server tests.

Arguments: output file, certificate, key, user, password, and "starttls" or
"tls". Listens on a 127.0.0.1 port the system picks, offering STARTTLS or
speaking TLS from the first byte. It refuses AUTH before encryption
(auth_require_tls) and MAIL before a login, and accepts only the given user
and password. Prints "PORT <n>" once listening; records each accepted message
as smtp_sink.py does. Ends when its standard input closes, or after five
minutes at the latest.
"""

import asyncio
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult

from smtp_sink import Sink


class ImplicitTlsSMTP(SMTP):
    """The whole connection is TLS: AUTH is allowed as after STARTTLS."""

    def connection_made(self, transport):
        super().connection_made(transport)
        self._tls_protocol = transport


def authenticator(user, password):
    def check(server, session, envelope, mechanism, auth_data):
        ok = auth_data.login == user.encode() and auth_data.password == password.encode()
        return AuthResult(success=ok, handled=False)

    return check


async def main(path, cert, key, user, password, mode):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    options = dict(hostname="sink.test", auth_require_tls=True, auth_required=True,
                   authenticator=authenticator(user, password))
    loop = asyncio.get_running_loop()
    if mode == "starttls":
        server = await loop.create_server(
            lambda: SMTP(Sink(path), tls_context=context, require_starttls=True, **options), "127.0.0.1", 0)
    else:
        server = await loop.create_server(
            lambda: ImplicitTlsSMTP(Sink(path), **options), "127.0.0.1", 0, ssl=context)
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
    asyncio.run(main(*sys.argv[1:7]))
