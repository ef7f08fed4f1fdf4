#!/usr/bin/env python3
"""Known UDP traffic for the end-to-end tests.

sink ADDRESS PORT: binds ADDRESS:PORT and discards what arrives, so that no port-unreachable
    replies add datagrams of their own; runs until it is terminated.
send SOURCE SOURCE_PORT DESTINATION PORT COUNT:SIZE...: from SOURCE:SOURCE_PORT, sends COUNT
    datagrams of SIZE payload bytes for each COUNT:SIZE, in order, a millisecond apart.
Payload byte i of datagram n is (n + i) % 256, so every datagram is recognisable in a dump.
"""
import socket
import sys
import time


def sink(address, port):
    receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    receiver.bind((address, int(port)))
    while True:
        receiver.recv(65535)


def send(source, source_port, destination, port, batches):
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.bind((source, int(source_port)))
    sequence = 0
    for batch in batches:
        count, size = (int(part) for part in batch.split(":"))
        for _ in range(count):
            sender.sendto(bytes((sequence + i) % 256 for i in range(size)), (destination, int(port)))
            sequence += 1
            time.sleep(0.001)
    print(sequence)


def main(arguments):
    if len(arguments) == 3 and arguments[0] == "sink":
        sink(arguments[1], arguments[2])
    elif len(arguments) >= 6 and arguments[0] == "send":
        send(arguments[1], arguments[2], arguments[3], arguments[4], arguments[5:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
