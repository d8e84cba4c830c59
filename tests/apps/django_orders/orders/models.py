from django.db import models


class Order(models.Model):
    form = models.CharField(max_length=20)  # which page took the order
    customer_name = models.CharField(max_length=30)
    quantity = models.PositiveIntegerField(null=True)
    order_date = models.DateField(null=True)
    gift_wrap = models.BooleanField(default=False)
    notes = models.TextField(blank=True)
    attachment_name = models.CharField(max_length=255, null=True, blank=True)
    attachment_sha256 = models.CharField(max_length=64, null=True, blank=True)
    attachment_size = models.PositiveBigIntegerField(null=True, blank=True)

    class Meta:
        db_table = 'orders'
