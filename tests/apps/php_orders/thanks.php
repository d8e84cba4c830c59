<?php
require __DIR__ . '/common.php';

if ($_SERVER['REQUEST_METHOD'] !== 'GET') {
    http_response_code(405);
    header('Allow: GET');
    exit('Method Not Allowed');
}
require_login();

page_start('Thank you');
?>
<h1>Thank you for your order</h1>
<p><a href="order.php">Place another order</a></p>
<?php
page_end();
