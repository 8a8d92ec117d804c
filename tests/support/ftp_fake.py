#!/usr/bin/python3
"""A scripted FTP server for faults a real server does not produce on demand.
Usage: ftp_fake.py SCENARIO[@SECONDS] FOLDER. Stores files into FOLDER, appends
every command line to FOLDER/commands.log, prints "PORT <n>" once it listens.

Scenarios:
  normal                 a plain server
  multiline_greeting     "220-" lines, then "220 Ready"
  freetext_greeting      middle lines of free text (one starting with a blank)
  other_digits_greeting  a middle line that starts with another code and a blank
  endless_reply          "220-" lines for ever, one every SECONDS (0.2)
  flood_reply            "220-" lines for ever, as fast as they go
  user230                USER is answered 230: no password wanted
  close_after_user       the connection is closed instead of answering USER
  no_number              PASS is answered "-230 ..."
  cwd400                 CWD is answered 400
  pasv_other_address     PASV names an address that is not the server's
  pasv425, pasv_garbled  PASV refused, or a reply without a readable port
  refuse_third_store     the third STOR is answered 553
  no_data_connection     STOR is answered 150, then nothing (active mode)
  close_awaiting_data    STOR is answered 150, then the control connection closes
  stranger_data          another loopback address (127.0.0.2) reaches the PORT
                         listener first; what it receives goes to stranger.bin
  stall_data             the data connection is taken but never read
  final552, final451     the final reply of a store refuses it
  final_silent           no final reply after the data
  final_close            the control connection closes instead of the final reply
  silent_after_greeting, silent_after_stor   no answer from there on
  drop_mid_transfer      both connections reset during the first file
  quit_refused           QUIT is answered 500
  auth500                AUTH TLS is answered 500 (the client must stop there)
  auth_no_tls            AUTH TLS is answered 234, then plain text instead of TLS
  slow_replies           every reply, the greeting too, comes SECONDS late: each
                         within any time-out, the whole upload for minutes
  pass_echoed            PASS is refused with a reply that quotes the command
  drop_mid_retr          a RETR sends half of the file, then both connections reset
Every scenario also serves FOLDER for downloads: TYPE, SIZE, MDTM, REST,
RETR, RNFR/RNTO and DELE (passive mode).
"""
import os
import socket
import struct
import sys
import time


def reset_close(sock):
    # Linger 0: the peer sees a reset, as after a crash.
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    sock.close()


def greet(conn, scenario, seconds):
    if scenario == "multiline_greeting":
        conn.sendall(b"220-Welcome to the scripted server\r\n220-A second line\r\n220 Ready\r\n")
    elif scenario == "freetext_greeting":
        conn.sendall(b"220-Welcome to the scripted server\r\nUploads are logged.\r\n"
                     b" 220 indented, still text\r\n220-\r\n220 Ready\r\n")
    elif scenario == "other_digits_greeting":
        conn.sendall(b"220-Hello\r\n230 not the end of this reply\r\n331 nor this\r\n220 Ready\r\n")
    elif scenario in ("endless_reply", "flood_reply"):
        conn.sendall(b"220-Welcome\r\n")
        line = b"220-" + b"x" * 1000 + b"\r\n" if scenario == "flood_reply" else b"220-Still here\r\n"
        while True:
            conn.sendall(line)
            if scenario == "endless_reply":
                time.sleep(seconds)
    else:
        if scenario == "slow_replies":
            time.sleep(seconds)
        conn.sendall(b"220 Ready\r\n")


def receive_into(data, path):
    with open(path, "wb") as out:
        while True:
            chunk = data.recv(65536)
            if not chunk:
                break
            out.write(chunk)


def session(conn, scenario, seconds, folder):
    log = open(os.path.join(folder, "commands.log"), "a")
    reader = conn.makefile("rb")

    def reply(text):
        if scenario == "slow_replies":
            time.sleep(seconds)
        conn.sendall(text.encode() + b"\r\n")

    greet(conn, scenario, seconds)
    port_address = None
    passive = None
    stores = 0
    restart = 0
    rename_from = None
    silent = scenario == "silent_after_greeting"
    for raw in reader:
        line = raw.decode("utf-8", "replace").rstrip("\r\n")
        log.write(line + "\n")
        log.flush()
        if silent:
            continue
        command, _, argument = line.partition(" ")
        command = command.upper()
        if command == "USER":
            if scenario == "close_after_user":
                return
            reply("230 Logged in without password" if scenario == "user230" else "331 Password please")
        elif command == "PASS":
            if scenario == "pass_echoed":
                reply("530 Login incorrect: '" + line + "'")
                continue
            reply("-230 Logged in" if scenario == "no_number" else "230 Logged in")
        elif command == "AUTH":
            if scenario == "auth_no_tls":
                reply("234 Go ahead")
                conn.sendall(b"220 this is no TLS handshake\r\n")
            else:
                reply("500 AUTH not understood" if scenario == "auth500" else "502 Not implemented")
        elif command == "CWD":
            reply("400 Not now" if scenario == "cwd400" else "250 Directory changed")
        elif command == "PORT":
            parts = [int(p) for p in argument.split(",")]
            port_address = (".".join(str(p) for p in parts[:4]), parts[4] * 256 + parts[5])
            reply("200 PORT command successful")
        elif command == "PASV":
            if scenario == "pasv425":
                reply("425 Cannot open passive connection")
                continue
            passive = socket.socket()
            passive.bind(("127.0.0.1", 0))
            passive.listen(1)
            port = passive.getsockname()[1]
            if scenario == "pasv_garbled":
                reply("227 Entering Passive Mode (127,0,0,1,high,low).")
                continue
            named = "10,255,255,1" if scenario == "pasv_other_address" else "127,0,0,1"
            reply("227 Entering Passive Mode (%s,%d,%d)." % (named, port >> 8, port & 255))
        elif command == "STOR":
            stores += 1
            if scenario == "refuse_third_store" and stores == 3:
                reply("553 Not allowed")
                continue
            if scenario == "silent_after_stor":
                silent = True
                continue
            reply("150 Opening data connection")
            if scenario == "no_data_connection":
                silent = True
                continue
            if scenario == "close_awaiting_data":
                return
            if passive is not None:
                data, _ = passive.accept()
                passive.close()
                passive = None
            else:
                if scenario == "stranger_data":
                    stranger = socket.socket()
                    stranger.bind(("127.0.0.2", 0))
                    stranger.connect(port_address)
                    stranger.settimeout(0.5)
                    try:
                        got = stranger.recv(65536)
                    except OSError:  # turned away: a reset, or nothing in time
                        got = b""
                    with open(os.path.join(folder, "stranger.bin"), "wb") as out:
                        out.write(got)
                    stranger.close()
                data = socket.create_connection(port_address)
            if scenario == "drop_mid_transfer":
                data.recv(65536)
                reset_close(data)
                reset_close(conn)
                return
            if scenario == "stall_data":
                silent = True
                stalled = data  # kept open, never read
                continue
            receive_into(data, os.path.join(folder, argument))
            data.close()
            if scenario == "final_silent":
                silent = True
            elif scenario == "final_close":
                return
            elif scenario in ("final552", "final451"):
                reply("552 Quota exceeded" if scenario == "final552" else "451 Local error in processing")
            else:
                reply("226 Transfer complete")
        elif command == "TYPE":
            reply("200 Type set")
        elif command in ("SIZE", "MDTM", "RETR", "RNFR", "DELE", "RNTO"):
            path = os.path.join(folder, os.path.basename(argument))
            if command == "RNTO":
                os.rename(rename_from, path)
                reply("250 Renamed")
            elif not os.path.isfile(path):
                reply("550 No such file")
            elif command == "SIZE":
                reply("213 %d" % os.path.getsize(path))
            elif command == "MDTM":
                reply(time.strftime("213 %Y%m%d%H%M%S", time.gmtime(os.path.getmtime(path))))
            elif command == "RNFR":
                rename_from = path
                reply("350 Ready for RNTO")
            elif command == "DELE":
                os.remove(path)
                reply("250 Deleted")
            else:
                reply("150 Opening data connection")
                data, _ = passive.accept()
                passive.close()
                passive = None
                with open(path, "rb") as source:
                    source.seek(restart)
                    content = source.read()
                restart = 0
                if scenario == "drop_mid_retr":
                    data.sendall(content[: len(content) // 2])
                    time.sleep(0.2)
                    reset_close(data)
                    reset_close(conn)
                    return
                data.sendall(content)
                data.close()
                reply("226 Transfer complete")
        elif command == "REST":
            restart = int(argument)
            reply("350 Restarting")
        elif command == "QUIT":
            reply("500 Not leaving" if scenario == "quit_refused" else "221 Goodbye")
            return
        else:
            reply("502 Not implemented")


def main():
    scenario, _, seconds = sys.argv[1].partition("@")
    folder = sys.argv[2]
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(5)
    print("PORT %d" % server.getsockname()[1], flush=True)
    while True:
        conn, _ = server.accept()
        try:
            session(conn, scenario, float(seconds or "0.2"), folder)
        except OSError:
            pass
        finally:
            conn.close()


if __name__ == "__main__":
    main()
