#pragma once
// The request for a page's text version, asked of the html2txt service: the
// page's address goes out as a query value, so what may leave the machine is
// decided here, from the address alone (no name lookup).
#include <string>
#include <string_view>

namespace crawlspect {

// Where the text-rendering service is and which certificates it must show.
struct TextVersionService {
  std::string host;    // host[:port]
  std::string caFile;  // PEM certificates to trust; empty: the system's
};

// The page's address as the html2txt service's query value: letters, digits
// and @ ! $ ' ( ) * - . _ stay, a space becomes "+", any other byte "%XX".
std::string html2txtQueryValue(std::string_view url);
// https://<host>/services/html2txt?url=<value>
std::string html2txtAddress(const std::string& host, std::string_view url);

// From how far a host can be reached, judged by its name or number only.
enum class HostReach {
  ThisMachine,   // localhost, 127.0.0.0/8, 0.0.0.0/8, ::1, ::
  LocalNetwork,  // 10/8, 100.64/10, 169.254/16, 172.16/12, 192.168/16, fc00::/7,
                 // fe80::/10, fec0::/10; single-label, .local, .internal, .home.arpa names
  Internet,      // everything else
};
// host as written in an address (brackets around IPv6, any case, a trailing
// dot, percent escapes); numbers in the short forms a browser reads (127.1,
// 0x7f.1, 2130706433) are judged by the address they stand for.
HostReach hostReach(std::string_view host);

struct TextVersionRequest {
  std::string address;  // the service request; empty when none is made
  std::string refusal;  // what the "Contents:" place shows instead
};

// The request for pageUrl, or why none is made. Only http and https pages
// are sent, never with their user name, password or "#" fragment, and only
// when the service can reach the page without seeing more than it should: a
// service on the internet gets no loopback or private-network address; one on
// this machine or the local network may be asked about pages there.
TextVersionRequest textVersionRequest(const TextVersionService& service, std::string_view pageUrl);

// What the "Contents:" place shows when the page fetch gave no text, with the
// fetch's error when there was one.
std::string noTextVersionAfterFailedFetch(const std::string& fetchError);

}  // namespace crawlspect
