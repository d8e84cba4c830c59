<?php
require __DIR__ . '/common.php';
require __DIR__ . '/order_form.php';
require_login();

$errors = [];
if (take_order('order', $errors)) {
    header('Location: thanks.php');
    exit;
}
show_order_form('order.php', $errors);
