#!/usr/bin/env python3
"""A UDP flood for the end-to-end tests.

udp_flood.py SOURCE SOURCE_PORT DESTINATION PORT SECONDS: from SOURCE:SOURCE_PORT, sends datagrams
of 18 payload bytes to DESTINATION:PORT as fast as it can for SECONDS (or until terminated), then
prints how many it sent.
"""
import signal
import socket
import sys
import time


def flood(source, source_port, destination, port, seconds):
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.bind((source, int(source_port)))
    target = (destination, int(port))
    payload = bytes(range(18))
    end = time.monotonic() + float(seconds)
    sent = 0
    try:
        while time.monotonic() < end:
            for _ in range(1000):
                sender.sendto(payload, target)
            sent += 1000
    except KeyboardInterrupt:
        pass
    print(sent)


def main(arguments):
    if len(arguments) != 5:
        sys.exit(__doc__)
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    flood(*arguments)


if __name__ == "__main__":
    main(sys.argv[1:])
