// srv_stock_dyn: the CGI program. A web server starts it once per request.
int main() { return 0; }
