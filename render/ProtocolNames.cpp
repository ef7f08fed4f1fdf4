// The table of IP protocol names and its lookup.
#include "ProtocolNames.h"

#include <iterator>

extern constexpr const char* kProtocolNames[101] = {
    "Reserved",   "ICMP",        "IGMP",      "GGP",     "IP",         "ST",        "TCP",     "UCL",      "EGP",
    "IGP",        "BBN-RCC-MON", "NVP-II",    "PUP",     "ARGUS",      "EMCON",     "XNET",    "CHAOS",    "UDP",
    "MUX",        "DCN-MEAS",    "HMP",       "PRM",     "XNS-IDP",    "TRUNK-1",   "TRUNK-2", "LEAF-1",   "LEAF-2",
    "RDP",        "IRTP",        "ISO-TP4",   "NETBLT",  "MFE-NSP",    "MERIT-INP", "SEP",     "3PC",      "IDPR",
    "XTP",        "DDP",         "IDPR-CMTP", "TP++",    "IL",         "SIP",       "SDRP",    "SIP-SR",   "SIP-FRAG",
    "IDRP",       "RSVP",        "GRE",       "MHRP",    "BNA",        "SIPP-ESP",  "SIPP-AH", "I-NLSP",   "SWIPE",
    "NHRP",       "unknown",     "unknown",   "unknown", "unknown",    "unknown",   "unknown", "unknown",  "CFTP",
    "unknown",    "SAT-EXPAK",   "KRYPTOLAN", "RVD",     "IPPC",       "unknown",   "SAT-MON", "VISA",     "IPCV",
    "CPNX",       "CPHB",        "WSN",       "PVP",     "BR-SAT-MON", "SUN-ND",    "WB-MON",  "WB-EXPAK", "ISO-IP",
    "VMTP",       "SECURE-VMTP", "VINES",     "TTP",     "NSFNET-IGP", "DGP",       "TCF",     "IGRP",     "OSPFIGP",
    "Sprite-RPC", "LARP",        "MTP",       "AX.25",   "IPIP",       "MICP",      "SCC-SP",  "ETHERIP",  "ENCAP",
    "unknown",    "GMTP",
};

const char* ProtocolName(unsigned protocol) {
    return protocol < std::size(kProtocolNames) ? kProtocolNames[protocol] : "unknown";
}
