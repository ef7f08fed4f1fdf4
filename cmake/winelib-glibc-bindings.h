// Binds the C library's socket functions by symbol version for Winelib builds, so that winebuild
// does not resolve them to the ws2_32 exports of the same names. Only names that ws2_32 exports
// are listed; a name a file does not call produces no reference.
#pragma once
__asm__(".symver accept,accept@GLIBC_2.2.5");
__asm__(".symver bind,bind@GLIBC_2.2.5");
__asm__(".symver connect,connect@GLIBC_2.2.5");
__asm__(".symver freeaddrinfo,freeaddrinfo@GLIBC_2.2.5");
__asm__(".symver getaddrinfo,getaddrinfo@GLIBC_2.2.5");
__asm__(".symver gethostbyaddr,gethostbyaddr@GLIBC_2.2.5");
__asm__(".symver gethostbyname,gethostbyname@GLIBC_2.2.5");
__asm__(".symver gethostname,gethostname@GLIBC_2.2.5");
__asm__(".symver getnameinfo,getnameinfo@GLIBC_2.2.5");
__asm__(".symver getpeername,getpeername@GLIBC_2.2.5");
__asm__(".symver getprotobyname,getprotobyname@GLIBC_2.2.5");
__asm__(".symver getprotobynumber,getprotobynumber@GLIBC_2.2.5");
__asm__(".symver getservbyname,getservbyname@GLIBC_2.2.5");
__asm__(".symver getservbyport,getservbyport@GLIBC_2.2.5");
__asm__(".symver getsockname,getsockname@GLIBC_2.2.5");
__asm__(".symver getsockopt,getsockopt@GLIBC_2.2.5");
__asm__(".symver htonl,htonl@GLIBC_2.2.5");
__asm__(".symver htons,htons@GLIBC_2.2.5");
__asm__(".symver inet_addr,inet_addr@GLIBC_2.2.5");
__asm__(".symver inet_ntoa,inet_ntoa@GLIBC_2.2.5");
__asm__(".symver inet_ntop,inet_ntop@GLIBC_2.2.5");
__asm__(".symver inet_pton,inet_pton@GLIBC_2.2.5");
__asm__(".symver listen,listen@GLIBC_2.2.5");
__asm__(".symver ntohl,ntohl@GLIBC_2.2.5");
__asm__(".symver ntohs,ntohs@GLIBC_2.2.5");
__asm__(".symver recv,recv@GLIBC_2.2.5");
__asm__(".symver recvfrom,recvfrom@GLIBC_2.2.5");
__asm__(".symver select,select@GLIBC_2.2.5");
__asm__(".symver send,send@GLIBC_2.2.5");
__asm__(".symver sendto,sendto@GLIBC_2.2.5");
__asm__(".symver setsockopt,setsockopt@GLIBC_2.2.5");
__asm__(".symver shutdown,shutdown@GLIBC_2.2.5");
__asm__(".symver socket,socket@GLIBC_2.2.5");
